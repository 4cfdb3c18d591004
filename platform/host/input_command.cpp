#include "platform/host/input_command.h"

#include "platform/devices/device_host.h"
#include "platform/shell/shell_keys.h"

namespace platform::host {

std::string pointer_command(platform::user::PointerKind kind, int x, int y)
{
    const char* word = kind == platform::user::PointerKind::down ? "press"
        : kind == platform::user::PointerKind::move              ? "move"
                                                                 : "release";
    return std::string(word) + " " + std::to_string(x) + " " + std::to_string(y);
}

std::optional<std::string> input_command(const ScenarioStep& step)
{
    using Kind = ScenarioStep::Kind;
    auto either = [&](const char* on, const char* off) { return std::string(step.on ? on : off); };
    switch (step.kind) {
    case Kind::pointer:
        return pointer_command(step.pointer, step.x, step.y);
    case Kind::shake:
        return "shake " + std::to_string(step.duration_ms);
    case Kind::tilt:
        return "tilt " + std::to_string(step.x) + " " + std::to_string(step.y) + " " + std::to_string(step.z);
    case Kind::near:
        return either("near on", "near off");
    case Kind::call:
        return either("call begin", "call end");
    case Kind::sms:
        return either("sms begin", "sms end");
    case Kind::usb:
        return either("usb disk", "usb off");
    case Kind::mkey:
        return "mkey";
    case Kind::power:
        return either("power long", "power");
    case Kind::screenshot:
    case Kind::expect_screen:
    case Kind::expect_sound:
    case Kind::quit:
        break;
    }
    return std::nullopt;
}

std::string phone_key_command(PhoneKey key)
{
    namespace devices = platform::devices;
    namespace shell = platform::shell;
    switch (key) {
    case PhoneKey::m_key:
        return "mkey";
    case PhoneKey::shake:
        return "shake " + std::to_string(devices::default_shake_ms);
    case PhoneKey::near_toggle:
        return devices::device_status().near ? "near off" : "near on";
    case PhoneKey::call_toggle:
        return shell::shell_status().call_active ? "call end" : "call begin";
    case PhoneKey::sms_toggle:
        return shell::shell_status().sms_active ? "sms end" : "sms begin";
    case PhoneKey::usb_toggle:
        return devices::device_status().usb_disk_mode ? "usb off" : "usb disk";
    case PhoneKey::power:
        return "power";
    case PhoneKey::power_long:
        return "power long";
    }
    return {};
}

}  // namespace platform::host
