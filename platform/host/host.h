// The host program: sets up a phone from a device root, starts its shell
// and runs a program's WinMain on it, headless or in a window.
#pragma once

#include <string>
#include <vector>

#include "platform/host/options.h"
#include "platform/include/wintypes.h"

namespace platform::host {

using ProgramEntry = int(WINAPI*)(HINSTANCE, HINSTANCE, LPWSTR, int);

// Exit codes of the host itself (the program's own code otherwise).
inline constexpr int exit_check_failed = 1;  // an expect-screen failed, or the script did not finish
inline constexpr int exit_bad_usage = 2;  // a bad option or script
inline constexpr int exit_setup_failed = 3;  // the phone could not be set up

// Parses the arguments (without the program name), sets up the phone, runs
// program and tears the phone down again. Returns the process's exit code.
int run_phone(const std::vector<std::string>& arguments, ProgramEntry program,
    const Environment& environment = process_environment());

}  // namespace platform::host
