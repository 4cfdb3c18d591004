// The device manager and the control call as programs meet them: finding the
// USB function bus by its class, opening drivers by their names, and the
// accelerometer's answers to right and wrong requests.

#include "device_test_support.h"

using namespace device_test;
using platform::devices::Device;

namespace {

constexpr GUID usb_class {0xE2BDC372, 0x598F, 0x4619, {0xBC, 0x50, 0x54, 0xB3, 0xF7, 0x84, 0x8D, 0x35}};
constexpr GUID other_class {0xE2BDC372, 0x598F, 0x4619, {0xBC, 0x50, 0x54, 0xB3, 0xF7, 0x84, 0x8D, 0x36}};

using DeviceManagerTest = DeviceTest;

DEVMGR_DEVICE_INFORMATION fresh_record()
{
    DEVMGR_DEVICE_INFORMATION record {};
    record.dwSize = 1584;
    return record;
}

TEST_F(DeviceManagerTest, FindsTheUsbFunctionBusByItsClassAndOpensItsBusName)
{
    EXPECT_EQ(offsetof(DEVMGR_DEVICE_INFORMATION, szLegacyName), 12u);
    EXPECT_EQ(offsetof(DEVMGR_DEVICE_INFORMATION, szBusName), 1064u);

    auto record = fresh_record();
    HANDLE search = FindFirstDevice(DeviceSearchByGuid, &usb_class, &record);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(record.dwSize, 1584u);
    EXPECT_EQ(std::u16string(record.szBusName), u"$bus\\UsbFn_0");
    EXPECT_EQ(std::u16string(record.szLegacyName), u"UFN1:");
    EXPECT_NE(record.hDevice, 0u);

    auto next = fresh_record();
    EXPECT_FALSE(FindNextDevice(search, &next));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(CloseHandle(search));
    EXPECT_FALSE(FindNextDevice(search, &next));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    HANDLE bus = CreateFileW(record.szBusName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(bus, INVALID_HANDLE_VALUE);
    UINT message = RegisterWindowMessageW(u"UsbNotifyMsgName");
    EXPECT_TRUE(control(bus, 0x22019C, &message, 4));
    EXPECT_EQ(platform::devices::device_status().usb_messages, std::vector<UINT> {message});
    EXPECT_TRUE(CloseHandle(bus));

    // A device search may also be ended the way file searches are; other
    // handles are not searches.
    HANDLE again = FindFirstDevice(DeviceSearchByGuid, &usb_class, &record);
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(again));
    EXPECT_FALSE(FindClose(again));
    bus = CreateFileW(record.szBusName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(bus, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(bus));
    EXPECT_TRUE(CloseHandle(bus));
}

TEST_F(DeviceManagerTest, SearchesRefuseBadRecordsAndReportWhenNothingMatches)
{
    auto record = fresh_record();
    record.dwSize = 1583;
    EXPECT_EQ(FindFirstDevice(DeviceSearchByGuid, &usb_class, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    record = fresh_record();
    EXPECT_EQ(FindFirstDevice(DeviceSearchByGuid, nullptr, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(FindFirstDevice(static_cast<DeviceSearchType>(7), &usb_class, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(FindFirstDevice(DeviceSearchByGuid, &other_class, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

    // A phone built without the USB function controller.
    platform::devices::set_device_present(Device::usb_function_bus, false);
    EXPECT_EQ(FindFirstDevice(DeviceSearchByGuid, &usb_class, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST_F(DeviceManagerTest, NamePatternsWalkEveryMatchingDriverInLoadOrder)
{
    auto record = fresh_record();
    HANDLE search = FindFirstDevice(DeviceSearchByLegacyName, u"*", &record);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::u16string> names {record.szLegacyName};
    while (FindNextDevice(search, &record)) names.push_back(record.szLegacyName);
    EXPECT_EQ(names, (std::vector<std::u16string> {u"ACC0:", u"IRD1:", u"UFN1:"}));
    CloseHandle(search);

    search = FindFirstDevice(DeviceSearchByDeviceName, u"$DEVICE\\ird?", &record);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(record.szLegacyName), u"IRD1:");
    CloseHandle(search);

    // Every driver hangs on the same bus driver.
    DWORD parent = record.hParentDevice;
    search =
        FindFirstDevice(DeviceSearchByParent, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(parent)), &record);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int children = 1;
    while (FindNextDevice(search, &record)) ++children;
    EXPECT_EQ(children, 3);
    CloseHandle(search);
}

TEST_F(DeviceManagerTest, DriversOpenUnderEachOfTheirNamesAndOnlyWhilePresent)
{
    for (const char16_t* name : {u"ACC0:", u"acc0:", u"$device\\ACC0", u"\\$bus\\BuiltIn_0_1_0"}) {
        HANDLE device = open(name);
        ASSERT_NE(device, INVALID_HANDLE_VALUE) << platform::to_utf8(name);
        std::int8_t reading[3];
        EXPECT_TRUE(control(device, 0x4000C, nullptr, 0, reading, 3));
        EXPECT_TRUE(CloseHandle(device));
    }
    EXPECT_EQ(open(u"XYZ9:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE held = open(u"ACC0:");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    platform::devices::set_device_present(Device::accelerometer, false);
    EXPECT_EQ(open(u"ACC0:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    std::int8_t reading[3];
    DWORD error = 0;
    EXPECT_FALSE(control(held, 0x4000C, nullptr, 0, reading, 3, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DEVICE_NOT_AVAILABLE));
    platform::devices::set_device_present(Device::accelerometer, true);
    EXPECT_TRUE(control(held, 0x4000C, nullptr, 0, reading, 3));
    EXPECT_TRUE(CloseHandle(held));

    // A closed handle, or one that is not a device, is refused without harm.
    EXPECT_FALSE(control(held, 0x4000C, nullptr, 0, reading, 3, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(control(nullptr, 0x4000C, nullptr, 0, reading, 3, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // Without the drivers installed no device name opens.
    platform::devices::uninstall_devices();
    EXPECT_EQ(open(u"ACC0:"), INVALID_HANDLE_VALUE);
}

TEST_F(DeviceManagerTest, AccelerometerAnswersItsTwoCodesAndRefusesWrongBuffers)
{
    HANDLE device = open(u"ACC0:");
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    platform::devices::tilt(-5, 300, -129);

    std::int8_t reading[4] {9, 9, 9, 9};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(device, 0x4000C, nullptr, 0, reading, 4, &returned, nullptr));
    EXPECT_EQ(returned, 3u);
    EXPECT_EQ(reading[0], -5);
    EXPECT_EQ(reading[1], 127);
    EXPECT_EQ(reading[2], -128);
    EXPECT_EQ(reading[3], 9);

    DWORD error = 0;
    std::int8_t small[2] {7, 7};
    EXPECT_FALSE(control(device, 0x4000C, nullptr, 0, small, 2, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(small[0], 7);
    EXPECT_FALSE(control(device, 0x4000C, nullptr, 0, nullptr, 3, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    UINT message = RegisterWindowMessageW(u"AccMessage");
    EXPECT_FALSE(control(device, 0x40020, &message, 2, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(platform::devices::device_status().acceleration_message, 0u);
    EXPECT_TRUE(control(device, 0x40020, &message, 4));
    EXPECT_EQ(platform::devices::device_status().acceleration_message, message);

    // Codes of the other drivers, and made-up ones, are not the accelerometer's.
    DWORD enable = 1;
    for (DWORD code : {0x40C98u, 0x22019Cu, 0x40024u, 0u}) {
        EXPECT_FALSE(control(device, code, &enable, 4, reading, 3, &error)) << std::hex << code;
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    CloseHandle(device);
}

}  // namespace
