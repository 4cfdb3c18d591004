// A recording of a run (--record DIR): every presented frame as a PNG, an
// animated GIF of the whole run and a time-stamped log of what happened.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/host/gif_writer.h"
#include "platform/host/png_image.h"

namespace platform::host {

class Recorder {
public:
    // Creates the folder if needed and starts events.log and run.gif in it.
    // Files of an earlier recording there (frame-*.png, run.gif, events.log)
    // are removed first, so the folder holds one run. Null with a message
    // naming the folder in *error when it cannot be written.
    static std::unique_ptr<Recorder> open(const std::filesystem::path& folder, int fps, std::string* error);
    ~Recorder();

    const std::filesystem::path& folder() const { return folder_; }

    // Writes frame-NNNNNN-TTTTTTTTms.png (number, then the clock's time) and
    // adds the picture to run.gif. Logs the frame.
    void frame(const Image& image, std::uint64_t time_ms);

    // One line in events.log, stamped with the clock's time. Safe from any
    // thread.
    void event(std::string_view text);

    // Logs the exit code and finishes run.gif. False with the reason in
    // *error if anything could not be written during the run.
    bool close(int exit_code, std::string* error);

    int frames() const { return frames_; }

private:
    Recorder() = default;
    void problem(const std::string& text);
    bool finish(std::string* error);

    std::filesystem::path folder_;
    std::mutex mutex_;
    std::FILE* log_ = nullptr;
    GifWriter gif_;
    int frames_ = 0;
    std::string first_problem_;
    bool closed_ = false;
};

}  // namespace platform::host
