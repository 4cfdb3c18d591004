#include "platform/host/recording_comparison.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>

#include "platform/host/png_image.h"
#include "platform/kernel/result.h"

namespace platform::host {
namespace {

namespace fs = std::filesystem;

// Nothing when the file cannot be read. A folder opens as a stream that
// reads as empty, so only a regular file counts.
std::optional<std::string> read_file(const fs::path& file)
{
    std::error_code failure;
    if (!fs::is_regular_file(file, failure)) return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

// A recording's frames in order: each one's name (number and time) and
// what stands for its picture, the hash frames.txt holds or the PNG file's
// bytes.
struct Frame {
    std::string name;
    // Nothing for a frame whose file cannot be read: two such frames are not
    // the same picture.
    std::optional<std::string> picture;
    bool hashed = false;
};

std::vector<Frame> recorded_frames(const fs::path& folder)
{
    std::vector<Frame> frames;
    if (std::ifstream hashes(folder / "frames.txt"); hashes) {
        for (std::string line; std::getline(hashes, line);) {
            auto space = line.find(' ');
            if (space == std::string::npos) continue;
            frames.push_back({line.substr(0, space), line.substr(space + 1), true});
        }
        return frames;
    }
    static const std::regex frame_name(R"(frame-\d+-\d+ms\.png)");
    std::error_code failure;
    for (const auto& entry : fs::directory_iterator(folder, failure)) {
        std::string name = entry.path().filename().string();
        if (std::regex_match(name, frame_name)) frames.push_back({name, {}, false});
    }
    // The numbers are zero-padded to the same width, so names sort in order.
    std::sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) { return a.name < b.name; });
    for (auto& frame : frames) frame.picture = read_file(folder / frame.name);
    return frames;
}

// Where two pictures of the same size first differ, read row by row.
std::string first_pixel_apart(const fs::path& first, const fs::path& second)
{
    auto a = read_png(first);
    if (!a) return a.failure().text();
    auto b = read_png(second);
    if (!b) return b.failure().text();
    if (a->width != b->width || a->height != b->height) return "their sizes differ";
    for (int y = 0; y < a->height; ++y)
        for (int x = 0; x < a->width; ++x)
            if (a->at(x, y) != b->at(x, y)) {
                char text[96];
                std::snprintf(
                    text, sizeof text, "first at pixel (%d, %d): %06X against %06X", x, y, a->at(x, y), b->at(x, y));
                return text;
            }
    return "their pixels are the same, their files are not";
}

std::optional<std::string> compare_frames(const fs::path& first, const fs::path& second, int& count)
{
    auto a = recorded_frames(first);
    auto b = recorded_frames(second);
    count = int(a.size());
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        std::string number = "frame " + std::to_string(i + 1);
        if (a[i].name != b[i].name)
            return number + " was presented at another time: " + a[i].name + " against " + b[i].name;
        if (!a[i].picture || !b[i].picture)
            return number + " (" + a[i].name + ") cannot be read in the " + (a[i].picture ? "second" : "first") +
                " run";
        if (a[i].picture == b[i].picture) continue;
        std::string how = a[i].hashed || b[i].hashed ? "hash " + *a[i].picture + " against " + *b[i].picture
                                                     : first_pixel_apart(first / a[i].name, second / b[i].name);
        return number + " (" + a[i].name + ") shows another picture, " + how;
    }
    if (a.size() != b.size()) {
        bool first_longer = a.size() > b.size();
        const auto& longer = first_longer ? a : b;
        std::size_t extra = std::min(a.size(), b.size());
        return "the first run has " + std::to_string(a.size()) + " frames, the second " + std::to_string(b.size()) +
            ": frame " + std::to_string(extra + 1) + " (" + longer[extra].name + ") is only in the " +
            (first_longer ? "first" : "second");
    }
    return std::nullopt;
}

// The samples of a PCM WAV file and the size of one sample frame.
struct Pcm {
    std::string format;  // the fmt chunk as it stands
    std::string data;
    std::uint32_t rate = 0;
    std::uint16_t block = 0;
};

std::uint32_t little_endian(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    return value;
}

Result<Pcm> read_pcm(const fs::path& file)
{
    auto bytes = read_file(file);
    if (!bytes) return failure_at(file.string(), "cannot be read");
    if (bytes->size() < 12 || bytes->compare(0, 4, "RIFF") != 0 || bytes->compare(8, 4, "WAVE") != 0)
        return failure_at(file.string(), "is not a WAV file");
    Pcm pcm;
    bool have_format = false, have_data = false;
    for (std::size_t at = 12; at + 8 <= bytes->size();) {
        std::string id = bytes->substr(at, 4);
        std::size_t size = little_endian(*bytes, at + 4, 4);
        std::size_t body = at + 8;
        // A capture cut short by the end of the run may say more than it holds.
        std::size_t held = std::min(size, bytes->size() - body);
        if (id == "fmt " && held >= 16) {
            pcm.format = bytes->substr(body, held);
            pcm.rate = little_endian(*bytes, body + 4, 4);
            pcm.block = std::uint16_t(little_endian(*bytes, body + 12, 2));
            have_format = true;
        } else if (id == "data") {
            pcm.data = bytes->substr(body, held);
            have_data = true;
        }
        at = body + size + (size & 1);
    }
    if (!have_format || !have_data || pcm.block == 0 || pcm.rate == 0)
        return failure_at(file.string(), "holds no PCM samples");
    return pcm;
}

std::optional<std::string> compare_sound(const fs::path& first, const fs::path& second, std::uint64_t& samples)
{
    bool in_first = fs::exists(first / "sound.wav"), in_second = fs::exists(second / "sound.wav");
    if (!in_first && !in_second) return std::nullopt;
    if (in_first != in_second) return std::string("only the ") + (in_first ? "first" : "second") + " run has sound.wav";
    auto a = read_pcm(first / "sound.wav");
    if (!a) return "sound.wav: " + a.failure().text();
    auto b = read_pcm(second / "sound.wav");
    if (!b) return "sound.wav: " + b.failure().text();
    samples = a->data.size() / a->block;
    if (a->format != b->format) return "sound.wav: the two runs wrote their sound in different formats";
    std::size_t common = std::min(a->data.size(), b->data.size());
    auto apart = std::mismatch(a->data.begin(), a->data.begin() + std::ptrdiff_t(common), b->data.begin());
    auto at_sample = [&](std::size_t byte) {
        std::size_t sample = byte / a->block;
        char text[128];
        std::snprintf(text, sizeof text, "sample %zu (%.3f s into sound.wav)", sample, double(sample) / a->rate);
        return std::string(text);
    };
    if (apart.first != a->data.begin() + std::ptrdiff_t(common))
        return "sound.wav: the runs part at " + at_sample(std::size_t(apart.first - a->data.begin()));
    if (a->data.size() != b->data.size())
        return "sound.wav: the " + std::string(a->data.size() > b->data.size() ? "first" : "second") +
            " run's sound goes on after the other's ends, at " + at_sample(common);
    return std::nullopt;
}

std::vector<std::string> log_lines(const fs::path& file, const LogSubstitutions& names)
{
    std::vector<std::string> lines;
    std::ifstream stream(file);
    for (std::string line; std::getline(stream, line);) {
        for (const auto& [text, word] : names) {
            if (text.empty()) continue;
            for (auto at = line.find(text); at != std::string::npos; at = line.find(text, at + word.size()))
                line.replace(at, text.size(), word);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<std::string> compare_logs(const fs::path& first, const fs::path& second,
    const LogSubstitutions& first_names, const LogSubstitutions& second_names, int& count)
{
    auto a = log_lines(first / "events.log", first_names);
    auto b = log_lines(second / "events.log", second_names);
    count = int(a.size());
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i)
        if (a[i] != b[i])
            return "events.log line " + std::to_string(i + 1) + ":\n    first:  " + a[i] + "\n    second: " + b[i];
    if (a.size() != b.size()) {
        bool first_longer = a.size() > b.size();
        return "events.log line " + std::to_string(common + 1) + " is only in the " +
            (first_longer ? "first" : "second") + " run: " + (first_longer ? a : b)[common];
    }
    return std::nullopt;
}

}  // namespace

RecordingComparison compare_recordings(const std::filesystem::path& first, const std::filesystem::path& second,
    const LogSubstitutions& first_names, const LogSubstitutions& second_names)
{
    RecordingComparison result;
    if (auto apart = compare_frames(first, second, result.frames)) result.differences.push_back(*apart);
    if (auto apart = compare_sound(first, second, result.samples)) result.differences.push_back(*apart);
    if (auto apart = compare_logs(first, second, first_names, second_names, result.log_lines))
        result.differences.push_back(*apart);
    return result;
}

}  // namespace platform::host
