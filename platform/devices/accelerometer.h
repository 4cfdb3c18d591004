// The accelerometer "ACC0:": a three-axis sensor read on demand.
//
// A program tells the driver the number of its registered "AccMessage" and
// reads the current acceleration as three signed bytes. What the sensor
// feels is the host's: a tilt it holds until told otherwise, or a shake, a
// burst of readings that follows the platform clock and then settles back
// on the tilt.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/devices/shake_generator.h"
#include "platform/devices/stream_driver.h"
#include "platform/include/winioctl.h"

namespace platform::devices {

// Tells the driver the message number: 4 bytes in, nothing out.
inline constexpr DWORD ioctl_accelerometer_set_message =
    CTL_CODE(FILE_DEVICE_CONTROLLER, 8, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Reads x, y and z as signed bytes: nothing in, 3 bytes out.
inline constexpr DWORD ioctl_accelerometer_read = CTL_CODE(FILE_DEVICE_CONTROLLER, 3, METHOD_BUFFERED, FILE_ANY_ACCESS);

class Accelerometer : public StreamDriver {
public:
    DWORD control(ControlRequest& request) override;

    // The resting reading; ends a shake that is under way.
    void set_tilt(Acceleration tilt);
    // Starts a burst of duration_ms from the clock's time now, with the next
    // seed: the first burst after set_seed(n) uses n, the next n + 1, ...
    void start_shake(std::uint32_t duration_ms);
    void set_seed(std::uint32_t seed);

    Acceleration reading_now() const;
    Acceleration tilt() const;
    bool shaking_now() const;
    UINT registered_message() const;

    // Resting face up, no shake, no message, seed 1.
    void reset();

private:
    mutable std::mutex mutex_;
    Acceleration tilt_ = resting_acceleration;
    std::optional<ShakeBurst> burst_;
    std::uint32_t next_seed_ = 1;
    UINT message_ = 0;
};

}  // namespace platform::devices
