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
    return name == "events.log" || name == "run.gif" || std::regex_match(name, frame_name);
}

}  // namespace

std::unique_ptr<Recorder> Recorder::open(const std::filesystem::path& folder, int fps, std::string* error)
{
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure || !std::filesystem::is_directory(folder)) {
        if (error) *error = "cannot record into " + folder.string() + ": it is not a folder that can be created";
        return nullptr;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder, failure))
        if (entry.is_regular_file() && is_earlier_output(entry.path().filename().string()))
            std::filesystem::remove(entry.path(), failure);

    std::unique_ptr<Recorder> recorder(new Recorder);
    recorder->folder_ = folder;
    auto log_path = folder / "events.log";
    recorder->log_ = std::fopen(log_path.c_str(), "w");
    if (!recorder->log_) {
        if (error) *error = "cannot record into " + folder.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!recorder->gif_.open(
            folder / "run.gif", platform::gdi::Screen::width, platform::gdi::Screen::height, 1000 / fps, error))
        return nullptr;
    return recorder;
}

Recorder::~Recorder() { finish(nullptr); }

void Recorder::problem(const std::string& text)
{
    // Reported once; a full disk would otherwise repeat it for every frame.
    if (first_problem_.empty()) {
        first_problem_ = text;
        std::fprintf(stderr, "velmor: recording: %s\n", text.c_str());
    }
}

void Recorder::frame(const Image& image, std::uint64_t time_ms)
{
    int number;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        number = ++frames_;
    }
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06d-%08" PRIu64 "ms.png", number, time_ms);
    std::string error;
    if (!write_png(folder_ / name, image, &error)) {
        std::lock_guard lock(mutex_);
        problem(error);
    }
    {
        std::lock_guard lock(mutex_);
        gif_.add_frame(image, time_ms);
    }
    event(std::string("frame ") + std::to_string(number) + " presented: " + name);
}

void Recorder::event(std::string_view text)
{
    std::uint64_t now = platform::clock::now();
    std::lock_guard lock(mutex_);
    if (!log_) return;
    std::fprintf(log_, "%9" PRIu64 " ms  %.*s\n", now, int(text.size()), text.data());
    // Kept current, so a run that crashes still leaves its story.
    if (std::fflush(log_) != 0) problem("cannot write events.log: " + std::string(std::strerror(errno)));
}

bool Recorder::close(int exit_code, std::string* error)
{
    event("exit code " + std::to_string(exit_code));
    return finish(error);
}

bool Recorder::finish(std::string* error)
{
    std::lock_guard lock(mutex_);
    if (closed_) return first_problem_.empty();
    closed_ = true;
    std::string gif_error;
    if (!gif_.close(&gif_error)) problem(gif_error);
    if (log_ && std::fclose(log_) != 0) problem("cannot write events.log");
    log_ = nullptr;
    if (!first_problem_.empty() && error) *error = first_problem_;
    return first_problem_.empty();
}

}  // namespace platform::host
