// Presenting the phone's screen: what was drawn goes to the display (and the
// recording) when the program has finished a stretch of work, and at once,
// paced, when a whole frame of an animation was put on the screen. Each
// presentation is stamped with the clock's time, so in virtual time a frame
// drawn by a timer's handler carries that timer's moment.
#pragma once

#include <functional>
#include <thread>

#include "platform/host/display_backend.h"
#include "platform/host/frame_pacer.h"
#include "platform/host/recorder.h"

namespace platform::host {

class Presenter {
public:
    Presenter(Display& display, Recorder* recorder, int frames_per_second);
    ~Presenter();
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // Starts watching the screen from the calling thread, the UI thread:
    // presentations happen on it only, as SDL wants.
    void attach();
    void detach();

    // Shows what changed since the last presentation, if anything. The host
    // calls it whenever the message loop goes idle.
    void present_pending();

    // The screen as last presented (what the person sees and the recording
    // holds); the screen itself before the first presentation.
    Image presented_screen() const;

    int frames() const { return frames_; }
    const FramePacer& pacer() const { return pacer_; }

private:
    void on_screen_changed(const RECT& area);
    void present();

    Display& display_;
    Recorder* recorder_;
    FramePacer pacer_;
    std::thread::id ui_thread_;
    bool attached_ = false;
    bool presenting_ = false;
    std::uint64_t last_present_end_ = 0;
    int frames_ = 0;
    std::vector<std::uint32_t> presented_;
};

}  // namespace platform::host
