// Where console commands come from: standard input, or one client at a time
// on a loopback TCP port. A thread of its own reads lines and sends answers,
// so the UI thread only ever picks lines up and hands answers over; it never
// waits for a person typing or for a client that does not read.
//
// Everything a client can make the console hold is bounded: a line's length,
// the lines waiting to run (past that the console stops reading, and the
// sender waits, as with any full pipe) and the answers waiting to be sent (a
// client that lets them pile up is dropped). A client that stays silent is
// closed after a while, and one that comes while another is connected is
// told the console is busy.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/console_line_reader.h"
#include "platform/kernel/result.h"

namespace platform::host {

struct ConsoleLine {
    std::string text;  // without the line end; for a line too long, its beginning
    std::uint64_t client = 0;  // who typed it, for the answer
    bool too_long = false;  // longer than ConsoleLineReader::longest_line: not a command
};

struct ConsoleLimits {
    // Lines read and not yet taken by the UI thread.
    std::size_t waiting_lines = 256;
    // Answers not yet taken by the client, beyond what its socket holds.
    std::size_t waiting_answer_bytes = 64 * 1024;
    // How long a client may stay connected without sending anything while
    // no command of its own is waiting or running.
    std::chrono::milliseconds idle = std::chrono::minutes(10);
};

class ConsoleInput {
public:
    // The first line a client of the port receives.
    static constexpr const char* greeting = "velmor console: one command a line, each answered OK or KO: reason";

    // Reads standard input; answers go to standard output.
    static platform::Result<std::unique_ptr<ConsoleInput>> open_standard_input(ConsoleLimits limits = {});
    // Listens on 127.0.0.1:port (0: a free port, see port()); answers go
    // back on the connection the line came from. A port that cannot be had
    // is the failure's place.
    static platform::Result<std::unique_ptr<ConsoleInput>> open_port(int port, ConsoleLimits limits = {});
    // Sends what answers it can within a second, then closes.
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    // The next line typed, waiting up to wait_ms for one (0: not at all).
    std::optional<ConsoleLine> next_line(int wait_ms);
    // Standard input has ended and every line of it was taken. A port never
    // ends: a client that leaves makes room for the next.
    bool ended();
    // Hands one line over for whoever typed the line; nothing if they have
    // gone. Never waits: what the client cannot take now is sent later.
    void answer(const ConsoleLine& line, const std::string& text);
    // What happened to clients since the last call (connected, left,
    // dropped, closed when idle, turned away), for the log.
    std::vector<std::string> take_notices();

    // The port listened on (0 for standard input).
    int port() const { return port_; }

    // Called on the reading thread when a line arrives or the input ends,
    // for a UI thread asleep elsewhere than in next_line. Must not block.
    void set_arrival_hook(std::function<void()> hook);

private:
    explicit ConsoleInput(ConsoleLimits limits);
    platform::Result<void> start();
    void read_standard_input();
    void serve_port();
    void wake();
    void announce_arrival();
    // Queues the whole lines of what was read.
    void take(const char* data, std::size_t size, std::uint64_t client);
    void take_locked(const char* data, std::size_t size, std::uint64_t client);
    // Whether the connected client has closed its end; reads what it sent.
    bool client_has_left();
    bool has_room() const { return lines_.size() < limits_.waiting_lines; }
    // Sends waiting answers as far as the other end takes them now.
    void send_waiting();
    void close_client(const std::string& notice);
    void turn_away(int fd);
    void flush_before_closing();

    const ConsoleLimits limits_;
    int input_fd_ = -1;  // standard input or the listening socket
    int port_ = 0;
    int wake_pipe_[2] = {-1, -1};
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::function<void()> arrival_hook_;
    std::deque<ConsoleLine> lines_;
    ConsoleLineReader reader_;
    std::vector<std::string> notices_;
    bool ended_ = false;
    bool stopping_ = false;
    int output_fd_ = -1;  // where answers go: standard output or the client
    std::uint64_t client_ = 0;  // the connected client's number; each connection gets the next
    std::string waiting_answers_;
    std::size_t lines_in_hand_ = 0;  // the client's lines queued or running
    std::chrono::steady_clock::time_point last_heard_;
    std::optional<std::string> drop_reason_;  // set by the UI thread, acted on by the reader
};

}  // namespace platform::host
