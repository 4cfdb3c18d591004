// A private X server for the window tests. Xvfb picks a free display number
// itself (-displayfd) and says it once it takes connections, so tests running
// side by side never land on one server and never stop each other's.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    static bool installed() { return access("/usr/bin/Xvfb", X_OK) == 0; }

    // Starts one screen of the given size ("1280x1024x24"); false when the
    // server has not said its display within five seconds.
    bool start(const std::string& screen)
    {
        int channel[2];
        if (pipe(channel) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            close(channel[0]);
            int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 1);
            dup2(quiet, 2);
            std::string fd = std::to_string(channel[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                static_cast<char*>(nullptr));
            _exit(127);
        }
        close(channel[1]);
        std::string number;
        bool said = false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        pollfd readable {channel[0], POLLIN, 0};
        while (!said && pid_ > 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) break;
            char c = 0;
            if (read(channel[0], &c, 1) != 1) break;
            if (c == '\n')
                said = !number.empty();
            else
                number += c;
        }
        close(channel[0]);
        if (!said) {
            stop();
            return false;
        }
        display_ = ":" + number;
        return true;
    }

    const std::string& display() const { return display_; }

    void stop()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::string display_ = "(none)";
};
