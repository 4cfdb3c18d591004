// The phone's hardware and the world around it, as keys a person presses in
// the window: the M key, shaking, a hand near the screen, a call, an SMS,
// the USB cable and the power key.
#pragma once

#include <string>

namespace platform::host {

enum class PhoneKey { m_key, shake, near_toggle, call_toggle, sms_toggle, usb_toggle, power, power_long };

// Does what the key stands for, on the calling thread (the UI thread), and
// returns a line for the event log: "window key: near on (1 reports)". The toggles
// read the present state and switch to the other one.
std::string press_phone_key(PhoneKey key);

}  // namespace platform::host
