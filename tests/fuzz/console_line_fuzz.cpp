// Feeds arbitrary bytes to the console's line reader in pieces whose sizes
// the input chooses, and checks the lines against the plain reading: split at
// each line end, a CR before it dropped, a line over the limit marked.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/host/console_line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using platform::host::ConsoleLineReader;
    using platform::host::ConsoleText;
    if (size == 0) return 0;
    std::size_t piece = 1 + data[0] % 64;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    ConsoleLineReader reader;
    std::vector<ConsoleText> lines;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::string_view chunk = text.substr(at, piece);
        while (!chunk.empty()) {
            std::optional<ConsoleText> line;
            std::size_t taken = reader.take(chunk, line);
            if (taken == 0 || taken > chunk.size()) std::abort();
            chunk.remove_prefix(taken);
            if (line) lines.push_back(*line);
        }
    }
    if (auto last = reader.finish()) lines.push_back(*last);

    std::size_t index = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        bool ended = end != std::string_view::npos;
        std::string_view expected = text.substr(start, (ended ? end : text.size()) - start);
        start = ended ? end + 1 : text.size();
        if (!expected.empty() && expected.back() == '\r') expected.remove_suffix(1);
        if (!ended && expected.empty() && text.back() != '\r') break;
        if (index >= lines.size()) std::abort();
        const ConsoleText& line = lines[index++];
        if (expected.size() > ConsoleLineReader::longest_line) {
            if (!line.too_long || line.text != expected.substr(0, ConsoleLineReader::shown_of_too_long)) std::abort();
        } else if (line.too_long || line.text != expected) {
            std::abort();
        }
    }
    if (index != lines.size()) std::abort();
    return 0;
}
