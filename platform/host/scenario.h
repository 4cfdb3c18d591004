// Scenario scripts: a run of the phone written down, one command a line,
// read whole before the phone starts so a mistake never leaves a half-run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/result.h"
#include "platform/user/host.h"

namespace platform::host {

// What the runner does, each at a time from the start of the run.
struct ScenarioStep {
    enum class Kind {
        pointer,
        screenshot,
        expect_screen,
        quit,
        shake,
        tilt,
        near,
        call,
        sms,
        usb,
        mkey,
        power,
        expect_sound,
    };
    Kind kind = Kind::pointer;
    std::uint64_t time = 0;
    int line = 0;
    std::string command;  // the command word, for messages
    platform::user::PointerKind pointer = platform::user::PointerKind::down;
    int x = 0;
    int y = 0;
    int z = 0;  // tilt: x, y, z in 1/64 g
    std::uint32_t duration_ms = 0;  // shake
    // near on, call/sms begin, usb disk, power long, expect-sound playing.
    bool on = false;
    std::string name;  // expect-sound
    std::filesystem::path file;
    int tolerance = 0;
};

struct Scenario {
    std::filesystem::path file;
    std::vector<ScenarioStep> steps;
    std::uint64_t end_time = 0;  // after the last wait
    int end_line = 0;  // the last wait's, which takes the run to end_time
    // expect-exit: the code the program must end with, checked at the end.
    std::optional<int> expected_exit;
    int expected_exit_line = 0;
};

struct ScenarioParseOptions {
    // Whether a missing expect-screen reference is fine because it is about
    // to be written (VELMOR_UPDATE_REFERENCES=1).
    bool updating_references = false;
};

// Reads the whole script. A script with faults fails with all of them, one
// a line of the failure's text: "FILE:LINE: COMMAND: what is wrong" (the
// failure's place is the first one's FILE:LINE). A file that cannot be a
// script fails with the file as the place.
platform::Result<Scenario> parse_scenario_file(const std::filesystem::path& file, const ScenarioParseOptions& options);
// The same for text already read; file names it in messages and anchors
// relative reference paths.
platform::Result<Scenario> parse_scenario_text(
    std::string_view text, const std::filesystem::path& file, const ScenarioParseOptions& options);

}  // namespace platform::host
