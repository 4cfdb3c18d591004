#include "platform/host/console_line_reader.h"

#include <algorithm>

namespace platform::host {

std::size_t ConsoleLineReader::take(std::string_view data, std::optional<ConsoleText>& line)
{
    line.reset();
    std::size_t end = data.find('\n');
    std::size_t taken = end == std::string_view::npos ? data.size() : end + 1;
    std::string_view piece = data.substr(0, end == std::string_view::npos ? data.size() : end);
    if (!overflowed_) {
        std::size_t room = longest_line + 1 - partial_.size();  // one more for a CR before the line end
        partial_.append(piece.substr(0, std::min(room, piece.size())));
        if (piece.size() > room) overflowed_ = true;
    }
    if (end == std::string_view::npos) return taken;
    line = finish();
    if (!line) line = ConsoleText {};
    return taken;
}

std::optional<ConsoleText> ConsoleLineReader::finish()
{
    if (partial_.empty() && !overflowed_) return std::nullopt;
    if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    ConsoleText line;
    line.too_long = overflowed_ || partial_.size() > longest_line;
    if (line.too_long) partial_.resize(shown_of_too_long);
    line.text = std::move(partial_);
    reset();
    return line;
}

void ConsoleLineReader::reset()
{
    partial_.clear();
    overflowed_ = false;
}

}  // namespace platform::host
