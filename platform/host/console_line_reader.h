// Splits what a console client sends into lines. Only whole lines come out,
// each at most longest_line bytes: a longer one comes out marked as such
// (with its beginning, for the log) rather than cut into a command nobody
// typed, and the bytes kept between reads never exceed one line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::host {

struct ConsoleText {
    std::string text;  // without the line end; for a line too long, its beginning
    bool too_long = false;
};

class ConsoleLineReader {
public:
    static constexpr std::size_t longest_line = 4096;
    // How much of a line too long is kept to say what it was.
    static constexpr std::size_t shown_of_too_long = 64;

    // Takes bytes up to and including the next line end, at most data.size().
    // Returns how many were taken; line holds the line when one was ended.
    std::size_t take(std::string_view data, std::optional<ConsoleText>& line);
    // The input ended: a last line without its line end, if there is one.
    std::optional<ConsoleText> finish();
    // The sender went away: what it typed without a line end is dropped.
    void reset();

private:
    std::string partial_;
    bool overflowed_ = false;
};

}  // namespace platform::host
