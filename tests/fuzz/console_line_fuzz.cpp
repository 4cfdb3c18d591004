// Feeds arbitrary bytes to the console's line reader in pieces whose sizes
// the input chooses, and checks each line against the plain reading: split
// at each line end, a CR before it dropped, a line over the limit marked.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/host/console_line_reader.h"

namespace {

using platform::host::ConsoleLineReader;
using platform::host::ConsoleText;

void check(const ConsoleText& line, std::string_view expected)
{
    if (expected.size() > ConsoleLineReader::longest_line) {
        if (!line.too_long || line.text != expected.substr(0, ConsoleLineReader::shown_of_too_long)) std::abort();
    } else if (line.too_long || line.text != expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    std::size_t piece = 1 + data[0] % 64;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<std::string_view> expected;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        expected.push_back(line);
        start = end + 1;
    }

    ConsoleLineReader reader;
    std::size_t index = 0;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::string_view chunk = text.substr(at, piece);
        while (!chunk.empty()) {
            std::optional<ConsoleText> line;
            std::size_t taken = reader.take(chunk, line);
            if (taken == 0 || taken > chunk.size()) std::abort();
            chunk.remove_prefix(taken);
            if (!line) continue;
            if (index >= expected.size()) std::abort();
            check(*line, expected[index++]);
        }
    }
    // The last line needs no line end.
    if (auto last = reader.finish()) {
        if (index >= expected.size()) std::abort();
        check(*last, expected[index++]);
    }
    if (index != expected.size()) std::abort();
    return 0;
}
