#include "platform/kernel/debug_output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"
#include "platform/kernel/wide_format.h"

namespace platform::debug_output {
namespace {

// A single print is bounded so a runaway %s cannot exhaust memory.
constexpr std::size_t longest_print = 1 << 20;

struct OutputState {
    std::mutex mutex;
    std::FILE* log_file = nullptr;
    bool to_standard_error = true;
    std::string pending_line;
    int next_capture_id = 1;
    std::vector<std::pair<int, Capture>> captures;

    void close_log_locked()
    {
        if (log_file) std::fclose(log_file);
        log_file = nullptr;
    }
};

// A function-local static: framework code prints during static
// initialisation and destruction too.
OutputState& state()
{
    static OutputState* instance = new OutputState;  // never destroyed, so printing from exit handlers stays safe
    return *instance;
}

void deliver(const std::vector<std::string>& lines)
{
    if (lines.empty()) return;
    std::vector<std::pair<int, Capture>> captures;
    {
        std::lock_guard lock(state().mutex);
        captures = state().captures;
    }
    for (const std::string& line : lines)
        for (auto& capture : captures) capture.second(line);
}

}  // namespace

void use_standard_error()
{
    std::lock_guard lock(state().mutex);
    state().close_log_locked();
    state().to_standard_error = true;
}

void discard()
{
    std::lock_guard lock(state().mutex);
    state().close_log_locked();
    state().to_standard_error = false;
}

platform::Result<void> use_log_file(const std::filesystem::path& path)
{
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return platform::failure_at(
            path.string(), std::string("cannot open it as the debug log: ") + std::strerror(errno));
    std::lock_guard lock(state().mutex);
    state().close_log_locked();
    state().log_file = file;
    state().to_standard_error = false;
    return {};
}

int add_capture(Capture capture)
{
    std::lock_guard lock(state().mutex);
    int id = state().next_capture_id++;
    state().captures.emplace_back(id, std::move(capture));
    return id;
}

void remove_capture(int id)
{
    std::lock_guard lock(state().mutex);
    std::erase_if(state().captures, [id](const auto& entry) { return entry.first == id; });
}

void write(std::u16string_view text)
{
    std::string utf8 = to_utf8(text);
    std::vector<std::string> lines;
    {
        OutputState& output = state();
        std::lock_guard lock(output.mutex);
        std::FILE* target = output.log_file ? output.log_file : output.to_standard_error ? stderr : nullptr;
        if (target) {
            std::fwrite(utf8.data(), 1, utf8.size(), target);
            std::fflush(target);
        }
        output.pending_line += utf8;
        std::size_t start = 0;
        for (std::size_t end; (end = output.pending_line.find('\n', start)) != std::string::npos; start = end + 1) {
            std::size_t length = end - start;
            if (length > 0 && output.pending_line[end - 1] == '\r') --length;
            lines.push_back(output.pending_line.substr(start, length));
        }
        output.pending_line.erase(0, start);
    }
    deliver(lines);
}

void flush()
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(state().mutex);
        if (!state().pending_line.empty()) lines.push_back(std::move(state().pending_line));
        state().pending_line.clear();
    }
    deliver(lines);
}

}  // namespace platform::debug_output

void NKDbgPrintfW(LPCWSTR lpszFmt, ...)
{
    std::u16string text;
    va_list arguments;
    va_start(arguments, lpszFmt);
    platform::format_wide(text, lpszFmt, arguments, platform::debug_output::longest_print);
    va_end(arguments);
    platform::debug_output::write(text);
}
