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

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform::host {
namespace {

using Clock = std::chrono::steady_clock;

// Read in small pieces, so the lines a read adds past a full queue stay few.
constexpr std::size_t read_size = 512;
// A pipe that polls writable takes this much without blocking.
constexpr std::size_t pipe_chunk = 4096;
constexpr auto closing_grace = std::chrono::seconds(1);

// A system call failed: errno says why.
Failure failed(const std::string& what, std::string where = {})
{
    return failure_at(std::move(where), what + ": " + std::strerror(errno));
}

std::string seconds_text(std::chrono::milliseconds duration)
{
    auto ms = duration.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

ConsoleInput::ConsoleInput(ConsoleLimits limits)
    : limits_(limits)
{
}

Result<std::unique_ptr<ConsoleInput>> ConsoleInput::open_standard_input(ConsoleLimits limits)
{
    std::unique_ptr<ConsoleInput> input(new ConsoleInput(limits));
    input->input_fd_ = STDIN_FILENO;
    input->output_fd_ = STDOUT_FILENO;
    if (auto started = input->start(); !started) return started.failure();
    return input;
}

Result<std::unique_ptr<ConsoleInput>> ConsoleInput::open_port(int port, ConsoleLimits limits)
{
    std::unique_ptr<ConsoleInput> input(new ConsoleInput(limits));
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return failed("cannot open the console's socket");
    input->input_fd_ = fd;
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0)
        return failed("cannot listen for the console", "127.0.0.1:" + std::to_string(port));
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    input->port_ = ntohs(address.sin_port);
    if (auto started = input->start(); !started) return started.failure();
    return input;
}

Result<void> ConsoleInput::start()
{
    if (::pipe2(wake_pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return failed("cannot start the console");
    if (port_ != 0)
        thread_ = std::thread([this] { serve_port(); });
    else
        thread_ = std::thread([this] { read_standard_input(); });
    return {};
}

ConsoleInput::~ConsoleInput()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake();
        thread_.join();
    }
    flush_before_closing();
    for (int fd : wake_pipe_)
        if (fd >= 0) ::close(fd);
    if (port_ != 0) {
        if (output_fd_ >= 0) ::close(output_fd_);
        if (input_fd_ >= 0) ::close(input_fd_);
    }
}

void ConsoleInput::flush_before_closing()
{
    // The answer to the command that ended the program should still arrive.
    std::unique_lock lock(mutex_);
    auto deadline = Clock::now() + closing_grace;
    while (output_fd_ >= 0 && !waiting_answers_.empty()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd watched {output_fd_, POLLOUT, 0};
        lock.unlock();
        int ready = ::poll(&watched, 1, int(left));
        lock.lock();
        if (ready < 0 && errno != EINTR) break;
        if (watched.revents & (POLLERR | POLLHUP | POLLNVAL)) break;
        if (ready > 0) send_waiting();
    }
}

void ConsoleInput::wake()
{
    char byte = 0;
    while (::write(wake_pipe_[1], &byte, 1) < 0 && errno == EINTR) { }
}

void ConsoleInput::take(const char* data, std::size_t size, std::uint64_t client)
{
    std::lock_guard lock(mutex_);
    take_locked(data, size, client);
}

void ConsoleInput::set_arrival_hook(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    arrival_hook_ = std::move(hook);
}

// Called with mutex_ held.
void ConsoleInput::announce_arrival()
{
    arrived_.notify_all();
    if (arrival_hook_) arrival_hook_();
}

void ConsoleInput::take_locked(const char* data, std::size_t size, std::uint64_t client)
{
    if (drop_reason_) return;  // a client being dropped gets no further commands run
    std::string_view rest(data, size);
    while (!rest.empty()) {
        std::optional<ConsoleText> line;
        rest.remove_prefix(reader_.take(rest, line));
        if (!line) continue;
        lines_.push_back({std::move(line->text), client, line->too_long});
        ++lines_in_hand_;
        announce_arrival();
    }
}

void ConsoleInput::send_waiting()
{
    while (output_fd_ >= 0 && !waiting_answers_.empty()) {
        ssize_t sent;
        if (port_ != 0) {
            sent = ::send(output_fd_, waiting_answers_.data(), waiting_answers_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        } else {
            // Standard output may be a pipe in blocking mode shared with
            // whoever started velmor; write only what it takes at once.
            pollfd watched {output_fd_, POLLOUT, 0};
            if (::poll(&watched, 1, 0) <= 0 || !(watched.revents & POLLOUT)) return;
            sent = ::write(output_fd_, waiting_answers_.data(), std::min(waiting_answers_.size(), pipe_chunk));
        }
        if (sent > 0) {
            waiting_answers_.erase(0, std::size_t(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        } else {
            // The other end is gone; its answers with it.
            waiting_answers_.clear();
            return;
        }
    }
}

void ConsoleInput::close_client(const std::string& notice)
{
    if (output_fd_ >= 0) ::close(output_fd_);
    output_fd_ = -1;
    waiting_answers_.clear();
    lines_in_hand_ = 0;
    reader_.reset();
    notices_.push_back(notice);
}

bool ConsoleInput::client_has_left()
{
    // A client that closes and connects again at once may be seen arriving
    // before it is seen leaving: read what it left first.
    char buffer[read_size];
    while (has_room()) {
        ssize_t count = ::recv(output_fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count > 0) {
            take_locked(buffer, std::size_t(count), client_);
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        close_client("console: client " + std::to_string(client_) + " left");
        return true;
    }
    return false;
}

void ConsoleInput::turn_away(int fd)
{
    std::string busy = "velmor console: busy with another client; try again later\n";
    ::send(fd, busy.data(), busy.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(fd);
    notices_.push_back(
        "console: another client was turned away while client " + std::to_string(client_) + " is connected");
}

void ConsoleInput::read_standard_input()
{
    char buffer[read_size];
    bool reading = true;
    bool output_open = true;
    for (;;) {
        pollfd watched[3] = {{wake_pipe_[0], POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLOUT, 0}};
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            // Answers nobody reads hold back further commands.
            if (reading && has_room() && waiting_answers_.size() <= limits_.waiting_answer_bytes)
                watched[1].fd = input_fd_;
            if (output_open && !waiting_answers_.empty()) watched[2].fd = output_fd_;
        }
        if (::poll(watched, 3, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[0].revents) {
            char drained[64];
            while (::read(wake_pipe_[0], drained, sizeof drained) > 0) { }
        }
        if (watched[2].revents) {
            std::lock_guard lock(mutex_);
            if (watched[2].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                output_open = false;
                waiting_answers_.clear();
            } else {
                send_waiting();
            }
        }
        if (!watched[1].revents) continue;
        ssize_t count = ::read(input_fd_, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count > 0) {
            take(buffer, std::size_t(count), 0);
            continue;
        }
        std::lock_guard lock(mutex_);
        // A last line without its line end still counts.
        if (auto last = reader_.finish()) lines_.push_back({std::move(last->text), 0, last->too_long});
        ended_ = true;
        reading = false;
        announce_arrival();
    }
}

void ConsoleInput::serve_port()
{
    char buffer[read_size];
    for (;;) {
        pollfd watched[3] = {{wake_pipe_[0], POLLIN, 0}, {input_fd_, POLLIN, 0}, {-1, 0, 0}};
        int timeout = -1;
        std::uint64_t number;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            if (drop_reason_) {
                close_client(*drop_reason_);
                drop_reason_.reset();
            }
            if (output_fd_ >= 0 && lines_in_hand_ == 0) {
                auto silent = Clock::now() - last_heard_;
                if (silent >= limits_.idle) {
                    waiting_answers_ +=
                        "velmor console: closed after " + seconds_text(limits_.idle) + " without a command\n";
                    send_waiting();
                    close_client("console: client " + std::to_string(client_) + " closed after " +
                        seconds_text(limits_.idle) + " without a command");
                    continue;
                }
                auto left = std::chrono::ceil<std::chrono::milliseconds>(limits_.idle - silent).count();
                timeout = int(std::min<long long>(left, 60'000));
            }
            watched[2].fd = output_fd_;
            if (has_room()) watched[2].events |= POLLIN;
            if (!waiting_answers_.empty()) watched[2].events |= POLLOUT;
            number = client_;
        }
        if (::poll(watched, 3, timeout) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[0].revents) {
            char drained[64];
            while (::read(wake_pipe_[0], drained, sizeof drained) > 0) { }
        }
        if (watched[1].revents & POLLIN) {
            int fd = ::accept4(input_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                std::lock_guard lock(mutex_);
                if (output_fd_ >= 0 && !client_has_left()) {
                    turn_away(fd);
                } else {
                    output_fd_ = fd;
                    ++client_;
                    lines_in_hand_ = 0;
                    reader_.reset();
                    last_heard_ = Clock::now();
                    notices_.push_back("console: client " + std::to_string(client_) + " connected");
                    waiting_answers_ = std::string(greeting) + "\n";
                    send_waiting();
                }
                continue;  // the client's descriptor may have changed
            }
        }
        if (watched[2].fd < 0 || !watched[2].revents) continue;
        if (watched[2].revents & POLLOUT) {
            std::lock_guard lock(mutex_);
            if (output_fd_ == watched[2].fd) send_waiting();
        }
        if (!(watched[2].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t count = ::recv(watched[2].fd, buffer, sizeof buffer, 0);
        if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (count > 0) {
            take(buffer, std::size_t(count), number);
            std::lock_guard lock(mutex_);
            last_heard_ = Clock::now();
            continue;
        }
        std::lock_guard lock(mutex_);
        // What the client typed without a line end is dropped with it; its
        // whole lines still run.
        if (output_fd_ == watched[2].fd) close_client("console: client " + std::to_string(number) + " left");
    }
}

std::optional<ConsoleLine> ConsoleInput::next_line(int wait_ms)
{
    std::unique_lock lock(mutex_);
    if (lines_.empty() && wait_ms > 0 && !ended_)
        arrived_.wait_for(lock, std::chrono::milliseconds(wait_ms), [this] { return !lines_.empty() || ended_; });
    if (lines_.empty()) return std::nullopt;
    bool was_full = !has_room();
    ConsoleLine line = std::move(lines_.front());
    lines_.pop_front();
    lock.unlock();
    if (was_full) wake();  // the reader may read again
    return line;
}

bool ConsoleInput::ended()
{
    std::lock_guard lock(mutex_);
    return ended_ && lines_.empty();
}

void ConsoleInput::answer(const ConsoleLine& line, const std::string& text)
{
    std::unique_lock lock(mutex_);
    if (output_fd_ < 0 || line.client != client_ || drop_reason_) return;
    if (lines_in_hand_ > 0) --lines_in_hand_;
    last_heard_ = Clock::now();
    waiting_answers_ += text;
    waiting_answers_ += '\n';
    if (port_ != 0 && waiting_answers_.size() > limits_.waiting_answer_bytes) {
        std::size_t unrun = std::size_t(std::count_if(
            lines_.begin(), lines_.end(), [&](const ConsoleLine& waiting) { return waiting.client == client_; }));
        std::erase_if(lines_, [&](const ConsoleLine& waiting) { return waiting.client == client_; });
        drop_reason_ = "console: client " + std::to_string(client_) + " dropped: it does not read its answers (" +
            std::to_string(waiting_answers_.size()) + " bytes waiting); " + std::to_string(unrun) +
            " of its commands were not run";
        lock.unlock();
        wake();
        return;
    }
    send_waiting();
    lock.unlock();
    // The reader sends what is left when the other end has room, and the
    // idle time starts again from this answer.
    wake();
}

std::vector<std::string> ConsoleInput::take_notices()
{
    std::lock_guard lock(mutex_);
    return std::exchange(notices_, {});
}

}  // namespace platform::host
