#include "platform/devices/accelerometer.h"

#include "platform/devices/device_events.h"
#include "platform/include/winerror.h"
#include "platform/kernel/clock.h"

namespace platform::devices {

DWORD Accelerometer::control(ControlRequest& request)
{
    switch (request.code) {
    case ioctl_accelerometer_set_message: {
        if (!request.has_input(sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
        UINT message = request.input_dword(0);
        {
            std::lock_guard lock(mutex_);
            message_ = message;
        }
        report_event("ACC0: message " + hex(message) + " registered");
        return ERROR_SUCCESS;
    }
    case ioctl_accelerometer_read: {
        if (!request.has_output(3)) return ERROR_INVALID_PARAMETER;
        Acceleration now = reading_now();
        auto* out = static_cast<std::int8_t*>(request.output);
        out[0] = now.x;
        out[1] = now.y;
        out[2] = now.z;
        request.bytes_returned = 3;
        return ERROR_SUCCESS;
    }
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

void Accelerometer::set_tilt(Acceleration tilt)
{
    std::lock_guard lock(mutex_);
    tilt_ = tilt;
    burst_.reset();
}

void Accelerometer::start_shake(std::uint32_t duration_ms)
{
    std::lock_guard lock(mutex_);
    burst_.emplace(next_seed_++, clock::now(), duration_ms);
}

void Accelerometer::set_seed(std::uint32_t seed)
{
    std::lock_guard lock(mutex_);
    next_seed_ = seed;
}

Acceleration Accelerometer::reading_now() const
{
    std::uint64_t now = clock::now();
    std::lock_guard lock(mutex_);
    return burst_ ? burst_->reading_at(now, tilt_) : tilt_;
}

Acceleration Accelerometer::tilt() const
{
    std::lock_guard lock(mutex_);
    return tilt_;
}

bool Accelerometer::shaking_now() const
{
    std::uint64_t now = clock::now();
    std::lock_guard lock(mutex_);
    return burst_ && burst_->active_at(now);
}

UINT Accelerometer::registered_message() const
{
    std::lock_guard lock(mutex_);
    return message_;
}

void Accelerometer::reset()
{
    std::lock_guard lock(mutex_);
    tilt_ = resting_acceleration;
    burst_.reset();
    next_seed_ = 1;
    message_ = 0;
}

}  // namespace platform::devices
