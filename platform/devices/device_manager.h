// The device manager: which drivers the phone has loaded, under which names,
// and the opener through which CreateFileW reaches them.
//
// The phone carries three simulated drivers, each a process-wide object that
// lives as long as the program: the accelerometer "ACC0:", the proximity
// sensor "IRD1:" and the USB function bus "UFN1:". A driver opens under its
// legacy name, its "$device" name or its "$bus" name, ignoring case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devices/accelerometer.h"
#include "platform/devices/proximity_sensor.h"
#include "platform/devices/usb_function_bus.h"

namespace platform::devices {

enum class Device { accelerometer, proximity_sensor, usb_function_bus };

struct DeviceDescription {
    Device device;
    DWORD id;  // the device manager's 32-bit identifier (hDevice)
    DWORD parent;  // the identifier of the bus driver that loaded it
    std::u16string legacy_name;
    std::u16string device_key;
    std::u16string device_name;
    std::u16string bus_name;
    std::vector<GUID> classes;
};

// Every driver the phone has, present or not, in load order.
const std::vector<DeviceDescription>& device_descriptions();

Accelerometer& accelerometer();
ProximitySensor& proximity_sensor();
UsbFunctionBus& usb_function_bus();
std::shared_ptr<StreamDriver> driver_of(Device device);

// The opener installed behind CreateFileW: a handle on the named driver, or
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND for a name no present
// driver carries.
HANDLE open_device_by_name(std::u16string_view name);

}  // namespace platform::devices
