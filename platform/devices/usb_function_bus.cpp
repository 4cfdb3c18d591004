#include "platform/devices/usb_function_bus.h"

#include <algorithm>
#include <string>

#include "platform/devices/device_events.h"
#include "platform/include/winerror.h"
#include "platform/include/winuser.h"

namespace platform::devices {

DWORD UsbFunctionBus::control(ControlRequest& request)
{
    if (request.code != ioctl_usb_register_message || !request.has_input(sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
    UINT message = request.input_dword(0);
    if (!message) return ERROR_INVALID_PARAMETER;
    {
        std::lock_guard lock(mutex_);
        // The same number twice is one registration: each change is told once.
        if (std::find(messages_.begin(), messages_.end(), message) == messages_.end()) messages_.push_back(message);
    }
    report_event("USB: message " + hex(message) + " registered");
    return ERROR_SUCCESS;
}

int UsbFunctionBus::set_disk_mode(bool disk)
{
    std::vector<UINT> messages;
    {
        std::lock_guard lock(mutex_);
        if (disk == disk_mode_) return 0;
        disk_mode_ = disk;
        messages = messages_;
    }
    report_event(disk ? "USB: entered USB-disk mode" : "USB: left USB-disk mode");
    WPARAM change = disk ? usb_entered_disk_mode : usb_left_disk_mode;
    for (UINT message : messages) {
        PostMessageW(HWND_BROADCAST, message, change, 0);
        report_event("USB: message " + hex(message) + " posted to every window, wParam " + std::to_string(change));
    }
    if (messages.empty()) report_event("USB: no program registered; nothing posted");
    return static_cast<int>(messages.size());
}

bool UsbFunctionBus::disk_mode() const
{
    std::lock_guard lock(mutex_);
    return disk_mode_;
}

std::vector<UINT> UsbFunctionBus::registered_messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

void UsbFunctionBus::reset()
{
    std::lock_guard lock(mutex_);
    disk_mode_ = false;
    messages_.clear();
}

}  // namespace platform::devices
