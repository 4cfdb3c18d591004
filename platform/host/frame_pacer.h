// Frame pacing: animations draw their frames back to back, as fast as the
// device draws. A frame period of our own keeps them at a steady rate on any
// machine: in real time the next frame waits for it; in virtual time each
// frame drawn back to back after another costs one period on the clock, so
// a recording plays the animation at that pace and the timers that fall due
// meanwhile keep their order with the frames.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::host {

class FramePacer {
public:
    explicit FramePacer(int frames_per_second);

    std::uint64_t period_ms() const { return period_ms_; }

    // Called before a full-screen frame is shown. When the previous frame
    // was shown less than one period ago, waits (on the phone's clock) for
    // the rest of the period; in virtual time only if that frame came in the
    // same stretch of work, since an idle phone has drawn nothing between.
    void wait_for_frame_slot();

    // Notes that a frame was shown now.
    void frame_shown();

    // The program has run out of work: its next frame starts a new stretch.
    void went_idle() { in_stretch_ = false; }

private:
    std::uint64_t period_ms_;
    std::optional<std::uint64_t> last_frame_;
    bool in_stretch_ = false;
};

}  // namespace platform::host
