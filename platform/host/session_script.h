// session.script in a recording: every input the run took (a person's taps,
// drags and keys in the window, a script's or the console's), each at its
// time, written in the scenario language so that --script replays the run.
// Lines are written as the inputs come, so a run that crashes leaves the
// script that led there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/kernel/result.h"

namespace platform::host {

class SessionScript {
public:
    // Starts the file with comment lines: header (one line or several) and
    // how to replay. At most limit_bytes are written; the rest of the run's
    // inputs are then left out, and the file says so. A failure concerns the
    // file.
    static platform::Result<std::unique_ptr<SessionScript>> open(
        const std::filesystem::path& file, const std::string& header, std::uint64_t limit_bytes);
    ~SessionScript();
    SessionScript(const SessionScript&) = delete;
    SessionScript& operator=(const SessionScript&) = delete;

    // One input at time_ms, after a wait for the time since the one before.
    void input(std::uint64_t time_ms, const std::string& command);
    // The run was asked to end at time_ms (the script ran out, the window
    // closed, the console quit): the script waits until then, and its own end
    // asks the replay to end at the same moment.
    void ends_at(std::uint64_t time_ms);
    // Notes how the run ended and closes the file. Fails if anything could
    // not be written.
    platform::Result<void> close(int exit_code);

    int inputs() const { return inputs_; }

private:
    SessionScript() = default;
    void wait_until(std::uint64_t time_ms);
    void write(const std::string& line);

    std::filesystem::path file_;
    std::FILE* stream_ = nullptr;
    std::uint64_t time_ = 0;  // of the last line written
    std::uint64_t bytes_ = 0;
    std::uint64_t limit_bytes_ = 0;
    int inputs_ = 0;
    bool full_ = false;
    bool ended_ = false;
    std::string problem_;  // the first write that failed, about file_
};

}  // namespace platform::host
