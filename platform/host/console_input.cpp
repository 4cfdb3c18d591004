// The console's input channels. Standard input suits a person at a terminal
// or a program driving velmor through a pipe; the loopback port suits a test
// harness or an editor that connects and disconnects while the phone runs.
// Only 127.0.0.1 is bound: the console controls the phone and must not be
// reachable from other machines.

#include "platform/host/console_input.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace platform::host {
namespace {

// A line longer than this is not a command; it is cut so a stream without
// line ends cannot grow the buffer without bound.
constexpr std::size_t longest_line = 4096;

bool failed(std::string* error, const std::string& what)
{
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

void write_all(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t written = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        done += std::size_t(written);
    }
}

}  // namespace

std::unique_ptr<ConsoleInput> ConsoleInput::open_standard_input(std::string* error)
{
    std::unique_ptr<ConsoleInput> input(new ConsoleInput);
    input->input_fd_ = STDIN_FILENO;
    if (!input->start(error)) return nullptr;
    return input;
}

std::unique_ptr<ConsoleInput> ConsoleInput::open_port(int port, std::string* error)
{
    std::unique_ptr<ConsoleInput> input(new ConsoleInput);
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failed(error, "cannot open the console's socket");
        return nullptr;
    }
    input->input_fd_ = fd;
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        failed(error, "cannot listen for the console on 127.0.0.1:" + std::to_string(port));
        return nullptr;
    }
    if (::listen(fd, 4) != 0) {
        failed(error, "cannot listen for the console on 127.0.0.1:" + std::to_string(port));
        return nullptr;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    input->port_ = ntohs(address.sin_port);
    if (!input->start(error)) return nullptr;
    return input;
}

bool ConsoleInput::start(std::string* error)
{
    if (::pipe2(stop_pipe_, O_CLOEXEC) != 0) return failed(error, "cannot start the console");
    if (port_ != 0)
        thread_ = std::thread([this] { serve_port(); });
    else
        thread_ = std::thread([this] { read_standard_input(); });
    return true;
}

ConsoleInput::~ConsoleInput()
{
    if (stop_pipe_[1] >= 0) {
        char stop = 0;
        while (::write(stop_pipe_[1], &stop, 1) < 0 && errno == EINTR) { }
    }
    if (thread_.joinable()) thread_.join();
    for (int fd : stop_pipe_)
        if (fd >= 0) ::close(fd);
    if (client_fd_ >= 0) ::close(client_fd_);
    if (port_ != 0 && input_fd_ >= 0) ::close(input_fd_);
}

void ConsoleInput::take(const char* data, std::size_t size, std::uint64_t client)
{
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (c == '\n') {
            if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
            lines_.push_back({std::move(partial_), client});
            partial_.clear();
            arrived_.notify_all();
        } else if (partial_.size() < longest_line) {
            partial_ += c;
        }
    }
}

void ConsoleInput::read_standard_input()
{
    char buffer[1024];
    for (;;) {
        pollfd watched[2] = {{stop_pipe_[0], POLLIN, 0}, {input_fd_, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (watched[0].revents) return;
        ssize_t count = ::read(input_fd_, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count <= 0) break;
        take(buffer, std::size_t(count), 0);
    }
    std::lock_guard lock(mutex_);
    // A last line without its line end still counts.
    if (!partial_.empty()) lines_.push_back({std::move(partial_), 0});
    partial_.clear();
    ended_ = true;
    arrived_.notify_all();
}

void ConsoleInput::serve_port()
{
    char buffer[1024];
    int client = -1;
    std::uint64_t number = 0;
    for (;;) {
        pollfd watched[2] = {{stop_pipe_[0], POLLIN, 0}, {client >= 0 ? client : input_fd_, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[0].revents) return;
        if (client < 0) {
            // One client at a time: the next waits in the backlog until this one leaves.
            client = ::accept4(input_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            std::lock_guard lock(mutex_);
            client_fd_ = client;
            client_ = number = client_ + 1;
            continue;
        }
        ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count > 0) {
            take(buffer, std::size_t(count), number);
            continue;
        }
        std::lock_guard lock(mutex_);
        // What the client typed without a line end is dropped with it.
        partial_.clear();
        ::close(client);
        client_fd_ = client = -1;
    }
}

std::optional<ConsoleLine> ConsoleInput::next_line(int wait_ms)
{
    std::unique_lock lock(mutex_);
    if (lines_.empty() && wait_ms > 0 && !ended_)
        arrived_.wait_for(lock, std::chrono::milliseconds(wait_ms), [this] { return !lines_.empty() || ended_; });
    if (lines_.empty()) return std::nullopt;
    ConsoleLine line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

bool ConsoleInput::ended()
{
    std::lock_guard lock(mutex_);
    return ended_ && lines_.empty();
}

void ConsoleInput::answer(const ConsoleLine& line, const std::string& text)
{
    if (port_ == 0) {
        std::fprintf(stdout, "%s\n", text.c_str());
        std::fflush(stdout);
        return;
    }
    std::lock_guard lock(mutex_);
    if (client_fd_ >= 0 && line.client == client_) write_all(client_fd_, text + "\n");
}

}  // namespace platform::host
