// --check-determinism: runs a scenario twice, each time as a fresh velmor
// process on its own copy of the device root, headless in virtual time and
// recorded, then compares the two recordings frame by frame, sample by
// sample and line by line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/options.h"

namespace platform::host {

// The arguments of one of the two runs: the phone as options describe it
// (language, frame rate, --home, the recording's limit), with the script,
// device root and recording folder of that run.
std::vector<std::string> determinism_run_arguments(const Options& options, const std::filesystem::path& script,
    const std::filesystem::path& device_root, const std::filesystem::path& record);

// Runs the check with the executable (this program) and says on standard
// error what it found. Returns 0 when the runs are the same, 1 when they
// differ, 3 when a run could not be made.
int check_determinism(
    const std::filesystem::path& executable, const Options& options, const std::filesystem::path& device_root);

}  // namespace platform::host
