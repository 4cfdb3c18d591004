#include "platform/host/phone_keys.h"

#include "platform/devices/device_host.h"
#include "platform/shell/shell_keys.h"

namespace platform::host {
namespace {

std::string shell_result(bool taken, const std::string& what)
{
    return taken ? what : what + " ignored: the shell is not running";
}

}  // namespace

std::string press_phone_key(PhoneKey key)
{
    namespace devices = platform::devices;
    namespace shell = platform::shell;
    switch (key) {
    case PhoneKey::m_key:
        return shell_result(shell::press_m_key(), "window key: M key");
    case PhoneKey::shake:
        devices::shake();
        return "window key: shake " + std::to_string(devices::default_shake_ms) + " ms";
    case PhoneKey::near_toggle: {
        bool near = !devices::device_status().near;
        int reports = devices::set_near(near);
        return std::string("window key: near ") + (near ? "on" : "off") + " (" + std::to_string(reports) + " reports)";
    }
    case PhoneKey::call_toggle: {
        bool begins = !shell::shell_status().call_active;
        return shell_result(shell::signal_call(begins ? shell::Phase::begins : shell::Phase::ends),
            std::string("window key: call ") + (begins ? "begin" : "end"));
    }
    case PhoneKey::sms_toggle: {
        bool begins = !shell::shell_status().sms_active;
        return shell_result(shell::signal_sms(begins ? shell::Phase::begins : shell::Phase::ends),
            std::string("window key: sms ") + (begins ? "begin" : "end"));
    }
    case PhoneKey::usb_toggle: {
        bool disk = !devices::device_status().usb_disk_mode;
        int messages = devices::set_usb_disk_mode(disk);
        return std::string("window key: usb ") + (disk ? "disk" : "off") + " (" + std::to_string(messages) +
            " messages)";
    }
    case PhoneKey::power:
        return shell_result(shell::press_power(), "window key: power");
    case PhoneKey::power_long:
        return shell_result(shell::press_power(shell::PowerPress::long_press), "window key: power long");
    }
    return {};
}

}  // namespace platform::host
