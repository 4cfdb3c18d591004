// Presenting the phone's screen: what was drawn goes to the display (and the
// recording) when the program has finished a stretch of work, and at once,
// paced, when a whole frame of an animation was put on the screen. An
// animation on part of the screen shows itself by drawing, outside a paint,
// over what it drew since the last frame: what stood before that draw was a
// whole step, and is shown then, paced the same way. Each
// presentation is stamped with the clock's time, so in virtual time a frame
// drawn by a timer's handler carries that timer's moment.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/host/display_backend.h"
#include "platform/host/frame_pacer.h"
#include "platform/host/recorder.h"

namespace platform::host {

class Presenter {
public:
    // Unless frames_seen, nobody looks at the frames' pixels between
    // presentations (no window, no recording): frames are still counted and
    // paced alike, but no copy of the screen is kept, and the display and
    // presented_screen show the screen as it stands.
    Presenter(Display& display, Recorder* recorder, int frames_per_second, bool frames_seen = true);
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
    // Screenfuls of memory the presenter holds for frames and its shadow.
    std::size_t frame_buffers() const;
    const FramePacer& pacer() const { return pacer_; }

private:
    void on_screen_changed(const RECT& area);
    void present();
    // Shows a frame, damage being what changed in it.
    void show(platform::gdi::ScreenFrame frame, const RECT& damage);
    void keep_in_shadow(const RECT& area);
    platform::gdi::ScreenFrame shadow_frame();
    std::shared_ptr<std::uint16_t[]> free_buffer();
    bool lasted_a_period() const;
    bool drawn_over(const RECT& area) const;
    void note_drawn(const RECT& area);
    RECT drawn_bounds() const;

    Display& display_;
    Recorder* recorder_;
    bool frames_seen_;
    FramePacer pacer_;
    std::thread::id ui_thread_;
    bool attached_ = false;
    bool presenting_ = false;
    std::uint64_t last_present_end_ = 0;
    // When the drawing not yet shown began.
    std::uint64_t stretch_started_ = 0;
    int frames_ = 0;
    platform::gdi::ScreenFrame presented_;
    // The screen's pixels as they stood after the last drawing operation, so
    // a step can be shown once the next one has begun drawing over it. A
    // frame shown from it shares its pixels; the next drawing copies them
    // first, so a frame is never changed and a screen that is presented but
    // not drawn on again costs no copy.
    mutable std::mutex shadow_mutex_;
    std::shared_ptr<std::uint16_t[]> shadow_;
    // Every buffer the shadow has used, kept to be used again once no frame
    // holds it: an animation then draws into the same few buffers instead
    // of a fresh screenful of memory each frame.
    std::vector<std::shared_ptr<std::uint16_t[]>> buffers_;
    // What the UI thread drew since the last frame, draw by draw (merged
    // into one box past a few dozen), and what was drawn but not yet shown
    // when a step was shown from the shadow.
    std::vector<RECT> drawn_since_frame_;
    RECT not_yet_shown_ {0, 0, 0, 0};
    // A partial animation is under way: its last step is paced too.
    bool in_partial_animation_ = false;
};

}  // namespace platform::host
