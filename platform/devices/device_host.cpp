#include "platform/devices/device_host.h"

#include <algorithm>
#include <string>

#include "platform/files/device_opener.h"

namespace platform::devices {
namespace {

std::int8_t clamp_axis(int value) { return static_cast<std::int8_t>(std::clamp(value, -128, 127)); }

}  // namespace

void install_devices()
{
    reset_devices();
    files::set_device_opener([](std::u16string_view name, DWORD, DWORD, DWORD, DWORD) {
        // Drivers keep no per-open state and ignore access and sharing, as
        // the phone's sensor drivers do.
        return open_device_by_name(name);
    });
}

void uninstall_devices() { files::set_device_opener(nullptr); }

void reset_devices()
{
    accelerometer().reset();
    proximity_sensor().reset();
    usb_function_bus().reset();
    for (const auto& description : device_descriptions()) driver_of(description.device)->set_present(true);
}

void set_device_present(Device device, bool present)
{
    driver_of(device)->set_present(present);
    for (const auto& description : device_descriptions())
        if (description.device == device)
            report_event(std::string(description.legacy_name.begin(), description.legacy_name.end()) +
                (present ? " driver loaded" : " driver removed"));
}

void tilt(int x, int y, int z)
{
    Acceleration reading {clamp_axis(x), clamp_axis(y), clamp_axis(z)};
    accelerometer().set_tilt(reading);
    report_event(
        "ACC0: tilt " + std::to_string(reading.x) + " " + std::to_string(reading.y) + " " + std::to_string(reading.z));
}

void shake(std::uint32_t duration_ms)
{
    accelerometer().start_shake(duration_ms);
    report_event("ACC0: shaken for " + std::to_string(duration_ms) + " ms");
}

void set_shake_seed(std::uint32_t seed) { accelerometer().set_seed(seed); }

int set_near(bool near) { return proximity_sensor().set_near(near); }

int set_usb_disk_mode(bool disk) { return usb_function_bus().set_disk_mode(disk); }

DeviceStatus device_status()
{
    DeviceStatus status;
    status.acceleration = accelerometer().reading_now();
    status.shaking = accelerometer().shaking_now();
    status.acceleration_message = accelerometer().registered_message();
    status.near = proximity_sensor().near();
    status.proximity_reports = proximity_sensor().reports_enabled();
    status.proximity_windows = proximity_sensor().registrations();
    status.usb_disk_mode = usb_function_bus().disk_mode();
    status.usb_messages = usb_function_bus().registered_messages();
    return status;
}

}  // namespace platform::devices
