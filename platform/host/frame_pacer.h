// Frame pacing: animations draw their frames back to back, as fast as the
// device draws. In real time a frame period of our own keeps them at a
// steady rate on any machine; in virtual time frames cost nothing.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::host {

class FramePacer {
public:
    explicit FramePacer(int frames_per_second);

    std::uint64_t period_ms() const { return period_ms_; }

    // Called before a full-screen frame is shown. In real time, when the
    // previous frame was shown less than one period ago, waits (on the
    // phone's clock) for the rest of the period. In virtual time it returns
    // at once and the clock does not move.
    void wait_for_frame_slot();

    // Notes that a frame was shown now.
    void frame_shown();

private:
    std::uint64_t period_ms_;
    std::optional<std::uint64_t> last_frame_;
};

}  // namespace platform::host
