// Where console commands come from: standard input, or one client at a time
// on a loopback TCP port. A reader thread collects whole lines, so the UI
// thread only ever picks them up and never blocks on a person typing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace platform::host {

struct ConsoleLine {
    std::string text;  // without the line end
    std::uint64_t client = 0;  // who typed it, for the answer
};

class ConsoleInput {
public:
    // Reads standard input; answers go to standard output.
    static std::unique_ptr<ConsoleInput> open_standard_input(std::string* error);
    // Listens on 127.0.0.1:port (0: a free port, see port()); answers go
    // back on the connection the line came from. Null with the reason in
    // *error when the port cannot be had.
    static std::unique_ptr<ConsoleInput> open_port(int port, std::string* error);
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    // The next line typed, waiting up to wait_ms for one (0: not at all).
    std::optional<ConsoleLine> next_line(int wait_ms);
    // Standard input has ended and every line of it was taken. A port never
    // ends: a client that leaves makes room for the next.
    bool ended();
    // Sends one line to whoever typed the line; nothing if they have gone.
    void answer(const ConsoleLine& line, const std::string& text);

    // The port listened on (0 for standard input).
    int port() const { return port_; }

private:
    ConsoleInput() = default;
    bool start(std::string* error);
    void read_standard_input();
    void serve_port();
    // Splits what was read into lines and queues the whole ones.
    void take(const char* data, std::size_t size, std::uint64_t client);

    int input_fd_ = -1;  // standard input or the listening socket
    int port_ = 0;
    int stop_pipe_[2] = {-1, -1};
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<ConsoleLine> lines_;
    std::string partial_;
    bool ended_ = false;
    int client_fd_ = -1;  // the connected client, under mutex_
    std::uint64_t client_ = 0;  // its number; each connection gets the next
};

}  // namespace platform::host
