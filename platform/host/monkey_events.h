// What the monkey does next: one random event at a time, written as lines of
// the scenario language so that the run can be replayed with --script. The
// choice depends only on the seed and on what the phone showed before each
// event, which in virtual time is the same on every run of the same seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace platform::host {

// What the phone shows that a person would answer differently.
struct MonkeyView {
    bool locked = false;  // the lock screen: a swipe opens it
    bool shutdown_question = false;  // the power-off question
    bool call = false;  // a call rings or goes on
    bool usb_disk = false;  // the phone is a USB disk
    bool popup = false;  // the program has announced a popup (a question, a notice)
};

class MonkeyEvents {
public:
    explicit MonkeyEvents(std::uint64_t seed);

    // The next event: a wait before it and its commands, one a line, each
    // line ending in '\n'.
    std::string next(const MonkeyView& view);

private:
    // Uniform in [0, count): taken from the generator's bits alone, so the
    // same seed gives the same events whatever the standard library.
    std::uint64_t below(std::uint64_t count);
    int between(int low, int high);
    bool chance(int percent) { return below(100) < std::uint64_t(percent); }
    std::string point_words();
    std::string tap_somewhere();
    std::string drag(bool long_swipe);
    std::string answer_question(const MonkeyView& view);

    std::mt19937_64 random_;
    bool near_ = false;
    bool sms_ = false;
};

}  // namespace platform::host
