#include "platform/host/recorder.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <regex>

#include "platform/gdi/screen.h"
#include "platform/kernel/clock.h"

namespace platform::host {
namespace {

bool is_earlier_output(const std::string& name)
{
    static const std::regex frame_name(R"(frame-\d+-\d+ms\.png)");
    return name == "events.log" || name == "run.gif" || name == "session.script" || name == "frames.txt" ||
        std::regex_match(name, frame_name);
}

// The most one frame can add: a PNG of the whole screen stored raw, and
// a GIF frame of 12-bit codes. Frames stop while this much is still free, so
// the share is never overrun.
constexpr std::uint64_t largest_frame_bytes =
    std::uint64_t(platform::gdi::Screen::width) * platform::gdi::Screen::height * 6;
// Kept free at the end of the log for the line that says it is full and the
// exit code.
constexpr std::uint64_t log_reserve_bytes = 512;

}  // namespace

RecordingLimits RecordingLimits::share(std::uint64_t total_bytes)
{
    RecordingLimits limits;
    limits.sound_bytes = total_bytes / 4;
    limits.event_log_bytes = total_bytes / 16;
    limits.sound_log_bytes = total_bytes / 64;
    limits.session_script_bytes = total_bytes / 64;
    limits.frames_bytes = total_bytes - limits.sound_bytes - limits.event_log_bytes - limits.sound_log_bytes -
        limits.session_script_bytes;
    return limits;
}

namespace {

// FNV-1a over the picture's pixels: equal pictures, equal hashes.
std::uint64_t picture_hash(const Image& image)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::uint32_t pixel : image.pixels)
        for (int shift = 0; shift < 32; shift += 8) hash = (hash ^ ((pixel >> shift) & 0xFF)) * 0x100000001B3ull;
    return hash;
}

}  // namespace

Result<std::unique_ptr<Recorder>> Recorder::open(
    const std::filesystem::path& folder, int fps, const RecordingLimits& limits, FrameRecording frames)
{
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure || !std::filesystem::is_directory(folder)) {
        std::string why = "cannot record here: it is not a folder that can be created";
        if (failure) why += " (" + failure.message() + ")";
        return failure_at(folder.string(), why);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder, failure))
        if (entry.is_regular_file() && is_earlier_output(entry.path().filename().string()))
            std::filesystem::remove(entry.path(), failure);

    std::unique_ptr<Recorder> recorder(new Recorder);
    recorder->folder_ = folder;
    recorder->limits_ = limits;
    recorder->frame_recording_ = frames;
    auto refused = [&] {
        return failure_at(folder.string(), std::string("cannot record here: ") + std::strerror(errno));
    };
    recorder->log_ = std::fopen((folder / "events.log").c_str(), "w");
    if (!recorder->log_) return refused();
    if (frames == FrameRecording::hashes) {
        recorder->frame_hashes_ = std::fopen((folder / "frames.txt").c_str(), "w");
        if (!recorder->frame_hashes_) return refused();
        return recorder;
    }
    auto gif = recorder->gif_.open(
        folder / "run.gif", platform::gdi::Screen::width, platform::gdi::Screen::height, 1000 / fps);
    if (!gif) return gif.failure();
    return recorder;
}

Recorder::~Recorder() { (void)finish(); }

void Recorder::problem(Failure failure)
{
    // Reported once; a full disk would otherwise repeat it for every frame.
    if (!first_problem_) {
        std::fprintf(stderr, "velmor: recording: %s\n", failure.text().c_str());
        first_problem_ = std::move(failure);
    }
}

Failure Recorder::unwritten(const char* name) const
{
    return failure_at((folder_ / name).string(), std::string("cannot be written: ") + std::strerror(errno));
}

void Recorder::notice(const std::string& text) { std::fprintf(stderr, "velmor: recording: %s\n", text.c_str()); }

void Recorder::frame(const Image& image, std::uint64_t time_ms)
{
    int number;
    {
        std::lock_guard lock(mutex_);
        if (closed_ || frames_full_) return;
        std::uint64_t frame_bytes = frame_recording_ == FrameRecording::hashes ? 64 : largest_frame_bytes;
        if (png_bytes_ + frame_hash_bytes_ + gif_.bytes_written() + frame_bytes > limits_.frames_bytes) {
            frames_full_ = true;
            std::string text = "the frames and run.gif reached their share of the recording limit (" +
                std::to_string(limits_.frames_bytes / 1'000'000) + " MB) after frame " + std::to_string(frames_) +
                "; later frames are not recorded (--record-limit)";
            notice(text);
            write_log_line(time_ms, text);
            return;
        }
        number = ++frames_;
    }
    char name[64];
    if (frame_recording_ == FrameRecording::hashes) {
        std::snprintf(name, sizeof name, "frame-%06d-%08" PRIu64 "ms", number, time_ms);
        char hash[24];
        std::snprintf(hash, sizeof hash, "%016" PRIX64, picture_hash(image));
        {
            std::lock_guard lock(mutex_);
            int written = std::fprintf(frame_hashes_, "%s %s\n", name, hash);
            if (written < 0 || std::fflush(frame_hashes_) != 0)
                problem(unwritten("frames.txt"));
            else
                frame_hash_bytes_ += std::uint64_t(written);
        }
        event(std::string("frame ") + std::to_string(number) + " presented: " + name + " " + hash);
        return;
    }
    std::snprintf(name, sizeof name, "frame-%06d-%08" PRIu64 "ms.png", number, time_ms);
    auto written = write_png(folder_ / name, image);
    std::error_code size_failure;
    auto size = written ? std::filesystem::file_size(folder_ / name, size_failure) : 0;
    {
        std::lock_guard lock(mutex_);
        if (!written) problem(written.failure());
        if (!size_failure) png_bytes_ += size;
        gif_.add_frame(image, time_ms);
    }
    event(std::string("frame ") + std::to_string(number) + " presented: " + name);
}

void Recorder::event(std::string_view text)
{
    std::uint64_t now = platform::clock::now();
    std::lock_guard lock(mutex_);
    if (log_full_) return;
    if (limits_.event_log_bytes > 0 && log_bytes_ + text.size() + 16 + log_reserve_bytes > limits_.event_log_bytes) {
        log_full_ = true;
        std::string full = "events.log reached its share of the recording limit (" +
            std::to_string(limits_.event_log_bytes / 1'000'000) + " MB); later events are not written";
        notice(full);
        write_log_line(now, full);
        return;
    }
    write_log_line(now, text);
}

void Recorder::write_log_line(std::uint64_t time_ms, std::string_view text)
{
    if (!log_) return;
    int written = std::fprintf(log_, "%9" PRIu64 " ms  %.*s\n", time_ms, int(text.size()), text.data());
    if (written > 0) log_bytes_ += std::uint64_t(written);
    // Kept current, so a run that crashes still leaves its story.
    if (std::fflush(log_) != 0) problem(unwritten("events.log"));
}

Result<void> Recorder::close(int exit_code)
{
    {
        // The exit code is written even into a full log: its reserve is for this.
        std::lock_guard lock(mutex_);
        if (!closed_) write_log_line(platform::clock::now(), "exit code " + std::to_string(exit_code));
    }
    return finish();
}

Result<void> Recorder::finish()
{
    std::lock_guard lock(mutex_);
    if (!closed_) {
        closed_ = true;
        if (auto gif = gif_.close(); !gif) problem(gif.failure());
        if (log_ && std::fclose(log_) != 0) problem(unwritten("events.log"));
        log_ = nullptr;
        if (frame_hashes_ && std::fclose(frame_hashes_) != 0) problem(unwritten("frames.txt"));
        frame_hashes_ = nullptr;
    }
    if (first_problem_) return *first_problem_;
    return {};
}

}  // namespace platform::host
