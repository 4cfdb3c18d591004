// Compares two recordings of the same scenario (--record folders): their
// frames, the samples of their captured sound and their event logs, and
// names the first frame, sample and line where they part.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace platform::host {

// Text that names a run's own folders in its event log ("device root
// /tmp/a/device"), replaced by a word both runs share before lines are
// compared.
using LogSubstitutions = std::vector<std::pair<std::string, std::string>>;

struct RecordingComparison {
    // One line for each part that differs (frames, sound, events.log), each
    // naming where the runs first part; empty when the runs are the same.
    std::vector<std::string> differences;
    int frames = 0;  // in the first run
    std::uint64_t samples = 0;  // sample frames of sound.wav, in the first run
    int log_lines = 0;  // of events.log, in the first run

    bool same() const { return differences.empty(); }
};

RecordingComparison compare_recordings(const std::filesystem::path& first, const std::filesystem::path& second,
    const LogSubstitutions& first_names, const LogSubstitutions& second_names);

}  // namespace platform::host
