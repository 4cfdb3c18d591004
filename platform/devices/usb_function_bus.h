// The USB function bus: the phone's side of the cable. When the user puts
// the phone into USB-disk mode the phone's storage belongs to the computer,
// and every program that asked is told so at once.
//
// A program registers a message number; entering USB-disk mode posts that
// message to every top-level window with wParam 0, leaving it posts it with
// wParam 1.
#pragma once

#include <mutex>
#include <vector>

#include "platform/devices/stream_driver.h"
#include "platform/include/winioctl.h"

namespace platform::devices {

// The device class the bus advertises: {E2BDC372-598F-4619-BC50-54B3F7848D35}.
inline constexpr GUID usb_function_class {0xE2BDC372, 0x598F, 0x4619, {0xBC, 0x50, 0x54, 0xB3, 0xF7, 0x84, 0x8D, 0x35}};

// The message number, 4 bytes, in; nothing out.
inline constexpr DWORD ioctl_usb_register_message =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 103, METHOD_BUFFERED, FILE_ANY_ACCESS);

inline constexpr WPARAM usb_entered_disk_mode = 0;
inline constexpr WPARAM usb_left_disk_mode = 1;

class UsbFunctionBus : public StreamDriver {
public:
    DWORD control(ControlRequest& request) override;

    // Enters or leaves USB-disk mode; a change posts every registered
    // message to every top-level window. Returns how many messages were
    // broadcast.
    int set_disk_mode(bool disk);

    bool disk_mode() const;
    std::vector<UINT> registered_messages() const;

    // Not in disk mode, nothing registered.
    void reset();

private:
    mutable std::mutex mutex_;
    bool disk_mode_ = false;
    std::vector<UINT> messages_;
};

}  // namespace platform::devices
