#include "platform/devices/proximity_sensor.h"

#include <algorithm>

#include "platform/devices/device_events.h"
#include "platform/include/winerror.h"
#include "platform/include/winuser.h"
#include "platform/kernel/handle_table.h"

namespace platform::devices {

DWORD ProximitySensor::control(ControlRequest& request)
{
    std::vector<std::string> lines;
    DWORD result = ERROR_SUCCESS;
    {
        std::lock_guard lock(mutex_);
        switch (request.code) {
        case ioctl_proximity_register: {
            if (!request.has_input(2 * sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
            ProximityRegistration registration {request.input_dword(0), request.input_dword(4)};
            if (!registration.window || !registration.message) return ERROR_INVALID_PARAMETER;
            // A window registers once; registering again changes its message.
            auto same = std::find_if(registrations_.begin(), registrations_.end(),
                [&](const ProximityRegistration& known) { return known.window == registration.window; });
            if (same != registrations_.end())
                *same = registration;
            else
                registrations_.push_back(registration);
            lines.push_back(
                "IRD1: window " + hex(registration.window) + " registered for message " + hex(registration.message));
            break;
        }
        case ioctl_proximity_enable: {
            if (!request.has_input(sizeof(BOOL))) return ERROR_INVALID_PARAMETER;
            bool enable = request.input_dword(0) != 0;
            bool was_enabled = enabled_;
            enabled_ = enable;
            lines.push_back(enable ? "IRD1: reports on" : "IRD1: reports off");
            if (enable && !was_enabled && near_) report_locked(lines);
            break;
        }
        case ioctl_proximity_unregister: {
            if (!request.has_input(2 * sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
            DWORD window = request.input_dword(0);
            auto known = std::find_if(registrations_.begin(), registrations_.end(),
                [&](const ProximityRegistration& registration) { return registration.window == window; });
            if (known == registrations_.end()) return ERROR_INVALID_PARAMETER;
            registrations_.erase(known);
            lines.push_back("IRD1: window " + hex(window) + " unregistered");
            break;
        }
        default:
            result = ERROR_INVALID_PARAMETER;
        }
    }
    for (auto& line : lines) report_event(std::move(line));
    return result;
}

int ProximitySensor::set_near(bool near)
{
    std::vector<std::string> lines;
    int reports = 0;
    {
        std::lock_guard lock(mutex_);
        if (near == near_) return 0;
        near_ = near;
        lines.push_back(near ? "IRD1: something near" : "IRD1: nothing near");
        if (enabled_)
            reports = report_locked(lines);
        else if (!registrations_.empty())
            lines.push_back("IRD1: reports are off; nothing posted");
    }
    for (auto& line : lines) report_event(std::move(line));
    return reports;
}

int ProximitySensor::report_locked(std::vector<std::string>& lines)
{
    int reports = 0;
    LPARAM state = near_ ? 1 : 0;
    for (const auto& registration : registrations_) {
        // Posting never waits, so it is safe under the lock from any thread.
        bool posted = PostMessageW(handle_from_value<HWND>(registration.window), registration.message, 0, state);
        if (posted) ++reports;
        lines.push_back("IRD1: " + std::string(near_ ? "near" : "far") + " report " + hex(registration.message) +
            (posted ? " posted to window " : " not delivered: no window ") + hex(registration.window));
    }
    return reports;
}

bool ProximitySensor::near() const
{
    std::lock_guard lock(mutex_);
    return near_;
}

bool ProximitySensor::reports_enabled() const
{
    std::lock_guard lock(mutex_);
    return enabled_;
}

std::vector<ProximityRegistration> ProximitySensor::registrations() const
{
    std::lock_guard lock(mutex_);
    return registrations_;
}

void ProximitySensor::reset()
{
    std::lock_guard lock(mutex_);
    near_ = false;
    enabled_ = false;
    registrations_.clear();
}

}  // namespace platform::devices
