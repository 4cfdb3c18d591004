#include "platform/host/x_display_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace platform::host {
namespace {

constexpr int x11_base_port = 6000;

class Socket {
public:
    explicit Socket(int fd)
        : fd_(fd)
    {
    }
    ~Socket()
    {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Connects without blocking past the timeout. Returns 0 or the errno.
int connect_within(int fd, const sockaddr* address, socklen_t length, int timeout_ms)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (connect(fd, address, length) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    pollfd waiting {fd, POLLOUT, 0};
    int ready = poll(&waiting, 1, timeout_ms);
    if (ready == 0) return ETIMEDOUT;
    if (ready < 0) return errno;
    int failure = 0;
    socklen_t size = sizeof failure;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size);
    return failure;
}

// The message names the display itself, so it needs no place beside it.
Failure because(const std::string& display, int failure)
{
    return Failure {"the X display " + display + " does not answer (" + std::strerror(failure) + ")"};
}

}  // namespace

Result<void> reach_x_display(const std::string& display, int timeout_ms)
{
    auto colon = display.rfind(':');
    if (colon == std::string::npos) return {};
    std::string host = display.substr(0, colon);
    int number = -1;
    const char* digits = display.data() + colon + 1;
    const char* end = display.data() + display.size();
    auto [stop, error] = std::from_chars(digits, end, number);
    if (error != std::errc {} || number < 0 || (stop != end && *stop != '.')) return {};
    // "host/unix:1" and the like name transports this check does not speak.
    if (host.find('/') != std::string::npos) return {};

    if (host.empty() || host == "unix") {
        Socket local(socket(AF_UNIX, SOCK_STREAM, 0));
        if (local.fd() < 0) return {};
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        int failure = connect_within(local.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address, timeout_ms);
        if (failure == 0) return {};
        // Linux servers also listen on the abstract name: "\0/tmp/.X11-unix/X1".
        Socket abstract(socket(AF_UNIX, SOCK_STREAM, 0));
        if (abstract.fd() < 0) return {};
        sockaddr_un hidden {};
        hidden.sun_family = AF_UNIX;
        std::memcpy(hidden.sun_path + 1, path.c_str(), path.size());
        auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size());
        if (connect_within(abstract.fd(), reinterpret_cast<sockaddr*>(&hidden), length, timeout_ms) == 0) return {};
        if (host == "unix") return because(display, failure);
        // ":1" may also be reached over TCP on the local host.
        host = "localhost";
    }

    addrinfo hints {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string port = std::to_string(x11_base_port + number);
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return Failure {"the X display " + display + " names a host that cannot be found"};
    int failure = ETIMEDOUT;
    for (addrinfo* candidate = found; candidate && failure != 0; candidate = candidate->ai_next) {
        Socket remote(socket(candidate->ai_family, candidate->ai_socktype, candidate->ai_protocol));
        if (remote.fd() >= 0)
            failure = connect_within(remote.fd(), candidate->ai_addr, candidate->ai_addrlen, timeout_ms);
    }
    freeaddrinfo(found);
    if (failure != 0) return because(display, failure);
    return {};
}

}  // namespace platform::host
