#include "platform/devices/device_manager.h"

#include "platform/files/case_fold.h"
#include "platform/include/winbase.h"

namespace platform::devices {
namespace {

constexpr DWORD built_in_bus = 0x00001000;

std::u16string_view without_leading_backslash(std::u16string_view name)
{
    if (!name.empty() && name[0] == u'\\') name.remove_prefix(1);
    return name;
}

bool carries_name(const DeviceDescription& description, std::u16string_view name)
{
    using files::equal_ignoring_case;
    if (equal_ignoring_case(name, description.legacy_name)) return true;
    name = without_leading_backslash(name);
    return equal_ignoring_case(name, description.device_name) || equal_ignoring_case(name, description.bus_name);
}

}  // namespace

const std::vector<DeviceDescription>& device_descriptions()
{
    static const std::vector<DeviceDescription> descriptions {
        {Device::accelerometer, built_in_bus + 1, built_in_bus, u"ACC0:", u"Drivers\\BuiltIn\\Accelerometer",
            u"$device\\ACC0", u"$bus\\BuiltIn_0_1_0", {}},
        {Device::proximity_sensor, built_in_bus + 2, built_in_bus, u"IRD1:", u"Drivers\\BuiltIn\\IrProximity",
            u"$device\\IRD1", u"$bus\\BuiltIn_0_2_0", {}},
        {Device::usb_function_bus, built_in_bus + 3, built_in_bus, u"UFN1:", u"Drivers\\BuiltIn\\UsbFn",
            u"$device\\UFN1", u"$bus\\UsbFn_0", {usb_function_class}},
    };
    return descriptions;
}

Accelerometer& accelerometer() { return static_cast<Accelerometer&>(*driver_of(Device::accelerometer)); }

ProximitySensor& proximity_sensor() { return static_cast<ProximitySensor&>(*driver_of(Device::proximity_sensor)); }

UsbFunctionBus& usb_function_bus() { return static_cast<UsbFunctionBus&>(*driver_of(Device::usb_function_bus)); }

std::shared_ptr<StreamDriver> driver_of(Device device)
{
    // Made once and never freed: handles and host commands on other threads
    // may reach a driver at any moment until the process ends.
    static const auto drivers = new std::shared_ptr<StreamDriver>[3] {
        std::make_shared<Accelerometer>(), std::make_shared<ProximitySensor>(), std::make_shared<UsbFunctionBus>(),
    };
    return drivers[static_cast<int>(device)];
}

HANDLE open_device_by_name(std::u16string_view name)
{
    for (const auto& description : device_descriptions()) {
        if (!carries_name(description, name)) continue;
        auto driver = driver_of(description.device);
        if (!driver->present()) break;
        return insert_kernel_object(std::make_shared<DeviceHandle>(driver));
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

}  // namespace platform::devices
