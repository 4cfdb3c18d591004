#include "platform/host/session_script.h"

#include <cerrno>
#include <cstring>

namespace platform::host {
namespace {

// Kept free for the line that says the script is full and the closing note.
constexpr std::uint64_t closing_reserve_bytes = 256;

}  // namespace

Result<std::unique_ptr<SessionScript>> SessionScript::open(
    const std::filesystem::path& file, const std::string& header, std::uint64_t limit_bytes)
{
    std::unique_ptr<SessionScript> script(new SessionScript);
    script->file_ = file;
    script->limit_bytes_ = limit_bytes;
    script->stream_ = std::fopen(file.c_str(), "w");
    if (!script->stream_) return failure_at(file.string(), std::string("cannot be written: ") + std::strerror(errno));
    std::size_t start = 0;
    while (start < header.size()) {
        std::size_t end = header.find('\n', start);
        if (end == std::string::npos) end = header.size();
        script->write("# " + header.substr(start, end - start));
        start = end + 1;
    }
    return script;
}

SessionScript::~SessionScript()
{
    if (stream_) std::fclose(stream_);
}

void SessionScript::write(const std::string& line)
{
    if (!stream_) return;
    if (std::fprintf(stream_, "%s\n", line.c_str()) < 0 || std::fflush(stream_) != 0) {
        if (problem_.empty()) problem_ = std::string("cannot be written: ") + std::strerror(errno);
    }
    bytes_ += line.size() + 1;
}

void SessionScript::wait_until(std::uint64_t time_ms)
{
    // Time never runs back; an input stamped before the last line (a real-time
    // clock read on two paths) happens at once.
    if (time_ms > time_) write("wait " + std::to_string(time_ms - time_));
    if (time_ms > time_) time_ = time_ms;
}

void SessionScript::input(std::uint64_t time_ms, const std::string& command)
{
    if (!stream_ || full_ || ended_) return;
    if (limit_bytes_ > 0 && bytes_ + command.size() + 32 + closing_reserve_bytes > limit_bytes_) {
        full_ = true;
        write("# the recording limit was reached here; the run's later inputs are not in this script");
        return;
    }
    wait_until(time_ms);
    write(command);
    ++inputs_;
}

void SessionScript::ends_at(std::uint64_t time_ms)
{
    if (!stream_ || full_ || ended_) return;
    ended_ = true;
    wait_until(time_ms);
    write("# the run was asked to end here, as the end of this script asks the replay");
}

Result<void> SessionScript::close(int exit_code)
{
    if (stream_) {
        write("# the program ended with code " + std::to_string(exit_code));
        if (std::fclose(stream_) != 0 && problem_.empty())
            problem_ = std::string("cannot be written: ") + std::strerror(errno);
        stream_ = nullptr;
    }
    if (!problem_.empty()) return failure_at(file_.string(), problem_);
    return {};
}

}  // namespace platform::host
