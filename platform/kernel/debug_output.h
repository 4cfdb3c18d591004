// The phone's debug output (NKDbgPrintfW): trace lines of the framework and
// the services. On the phone they go to the kernel's debugger port; here
// they go to standard error, or to a log file the host chooses, as UTF-8.
// Captures let tests and the host's event log see each line as well.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/kernel/result.h"

namespace platform::debug_output {

// Where the text goes (besides the captures). Standard error is the default.
void use_standard_error();
void discard();
// Appends to the file, creating it if needed. On failure the output stays
// where it was.
platform::Result<void> use_log_file(const std::filesystem::path& path);

// Each complete line (UTF-8, without its line feed) is handed to every
// capture, on the thread that printed it. Captures may print themselves.
using Capture = std::function<void(std::string_view line)>;
int add_capture(Capture capture);
void remove_capture(int id);

// Writes text as NKDbgPrintfW does after formatting.
void write(std::u16string_view text);

// Hands an unfinished last line to the captures (at exit, or in tests).
void flush();

}  // namespace platform::debug_output
