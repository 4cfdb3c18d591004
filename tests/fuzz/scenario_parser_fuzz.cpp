// Feeds arbitrary bytes to the scenario parser as a script. Whatever it
// says about them must be printable, and whatever it accepts must be a run
// the runner can play: steps in time order, on the screen, within bounds.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/gdi/screen.h"
#include "platform/host/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::host;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto scenario = parse_scenario_text(text, "fuzz.txt", ScenarioParseOptions {true});
    if (!scenario) {
        if (scenario.failure().message.empty()) std::abort();  // a refusal must say why
        // One fault a line; nothing else in it may move the terminal.
        for (unsigned char c : scenario.failure().text())
            if ((c < 0x20 && c != '\n') || c == 0x7F) std::abort();
        return 0;
    }
    std::uint64_t time = 0;
    for (const auto& step : scenario->steps) {
        if (step.time < time) std::abort();
        time = step.time;
        if (step.kind == ScenarioStep::Kind::pointer &&
            (step.x < 0 || step.x >= platform::gdi::Screen::width || step.y < 0 ||
                step.y >= platform::gdi::Screen::height))
            std::abort();
    }
    if (scenario->end_time < time) std::abort();
    return 0;
}
