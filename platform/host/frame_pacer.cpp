#include "platform/host/frame_pacer.h"

#include <algorithm>

#include "platform/kernel/clock.h"

namespace platform::host {

FramePacer::FramePacer(int frames_per_second)
    : period_ms_(std::uint64_t((1000 + std::max(frames_per_second, 1) / 2) / std::max(frames_per_second, 1)))
{
}

void FramePacer::wait_for_frame_slot()
{
    if (!last_frame_) return;
    if (platform::clock::mode() == platform::clock::Mode::virtual_time && !in_stretch_) return;
    std::uint64_t slot = *last_frame_ + period_ms_;
    if (platform::clock::now() < slot) platform::clock::wait_until(slot);
}

void FramePacer::frame_shown()
{
    last_frame_ = platform::clock::now();
    in_stretch_ = true;
}

}  // namespace platform::host
