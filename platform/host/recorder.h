// A recording of a run (--record DIR): every presented frame as a PNG, an
// animated GIF of the whole run and a time-stamped log of what happened.
// What it writes is bounded: frames and the GIF share one part of the
// recording's limit, the log another; reaching either is said once, and the
// run goes on without that part.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host/gif_writer.h"
#include "platform/host/png_image.h"
#include "platform/kernel/result.h"

namespace platform::host {

// How one recording's limit is shared out among its files.
struct RecordingLimits {
    std::uint64_t frames_bytes = 0;  // the frame PNGs and run.gif together
    std::uint64_t event_log_bytes = 0;
    std::uint64_t sound_bytes = 0;  // sound.wav's samples
    std::uint64_t sound_log_bytes = 0;
    std::uint64_t session_script_bytes = 0;  // session.script, the run's inputs

    static RecordingLimits share(std::uint64_t total_bytes);
};

// How a recording keeps its frames: as pictures (a PNG each and run.gif),
// or as a hash of each picture in frames.txt, all a comparison of two runs
// needs and far cheaper to make.
enum class FrameRecording { pictures, hashes };

class Recorder {
public:
    // Creates the folder if needed and starts events.log and run.gif in it.
    // Files of an earlier recording there (frame-*.png, run.gif, frames.txt,
    // events.log, session.script) are removed first, so the folder holds one
    // run. A failure concerns the folder, or the file in it that could not
    // be started.
    static platform::Result<std::unique_ptr<Recorder>> open(const std::filesystem::path& folder, int fps,
        const RecordingLimits& limits, FrameRecording frames = FrameRecording::pictures);
    ~Recorder();

    const std::filesystem::path& folder() const { return folder_; }

    // Writes frame-NNNNNN-TTTTTTTTms.png (number, then the clock's time) and
    // adds the picture to run.gif, or adds "frame-NNNNNN-TTTTTTTTms HASH" to
    // frames.txt. Logs the frame.
    void frame(const Image& image, std::uint64_t time_ms);

    // One line in events.log, stamped with the clock's time. Safe from any
    // thread.
    void event(std::string_view text);

    // Logs the exit code and finishes run.gif. Fails with the first file
    // that could not be written during the run.
    platform::Result<void> close(int exit_code);

    int frames() const { return frames_; }
    // Whether the frames' share ran out, and later frames went unwritten.
    bool frames_full() const { return frames_full_; }

private:
    Recorder() = default;
    void problem(platform::Failure failure);
    // A write to the file of that name in the folder failed: errno says why.
    platform::Failure unwritten(const char* name) const;
    void notice(const std::string& text);
    void write_log_line(std::uint64_t time_ms, std::string_view text);
    platform::Result<void> finish();

    std::filesystem::path folder_;
    std::mutex mutex_;
    std::FILE* log_ = nullptr;
    FrameRecording frame_recording_ = FrameRecording::pictures;
    std::FILE* frame_hashes_ = nullptr;
    std::uint64_t frame_hash_bytes_ = 0;
    GifWriter gif_;
    int frames_ = 0;
    std::optional<platform::Failure> first_problem_;
    bool closed_ = false;
    RecordingLimits limits_;
    std::uint64_t png_bytes_ = 0;
    std::uint64_t log_bytes_ = 0;
    bool frames_full_ = false;
    bool log_full_ = false;
};

}  // namespace platform::host
