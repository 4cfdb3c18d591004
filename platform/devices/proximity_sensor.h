// The infrared proximity sensor "IRD1:": it tells registered windows when
// something comes near the screen or goes away.
//
// A window registers with the message it wants; reports flow only while a
// program has switched them on. Each change between near and far then posts
// the message to every registered window with lParam 1 for near and 0 for
// far, and switching reports on while something is near reports that at
// once, so a program never waits for a change to learn the present state.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/devices/stream_driver.h"
#include "platform/include/winioctl.h"

namespace platform::devices {

// Window handle and message number, 32 bits each, in; nothing out.
inline constexpr DWORD ioctl_proximity_register =
    CTL_CODE(FILE_DEVICE_CONTROLLER, 805, METHOD_BUFFERED, FILE_ANY_ACCESS);
// A BOOL in: reports on (non-zero) or off.
inline constexpr DWORD ioctl_proximity_enable = CTL_CODE(FILE_DEVICE_CONTROLLER, 806, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Window handle, then a reserved 0, in: stop reporting to that window.
inline constexpr DWORD ioctl_proximity_unregister =
    CTL_CODE(FILE_DEVICE_CONTROLLER, 810, METHOD_BUFFERED, FILE_ANY_ACCESS);

struct ProximityRegistration {
    DWORD window = 0;
    UINT message = 0;
};

class ProximitySensor : public StreamDriver {
public:
    DWORD control(ControlRequest& request) override;

    // What the sensor sees. A change reports to the registered windows while
    // reports are on. Returns how many reports were posted.
    int set_near(bool near);

    bool near() const;
    bool reports_enabled() const;
    std::vector<ProximityRegistration> registrations() const;

    // Nothing near, reports off, no registrations.
    void reset();

private:
    // Posts the state to every registration; the events to log are added to lines.
    int report_locked(std::vector<std::string>& lines);

    mutable std::mutex mutex_;
    bool near_ = false;
    bool enabled_ = false;
    std::vector<ProximityRegistration> registrations_;
};

}  // namespace platform::devices
