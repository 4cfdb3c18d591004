// The proximity sensor, USB and call/SMS wrappers, seen from a window: the
// reports and broadcasts must arrive under the numbers the wrappers give,
// and no driver handle or device search may outlive its call.
#include "services_fixture.h"

#include <devmgr.h>
#include <winioctl.h>

#include "platform/devices/device_host.h"
#include "platform/shell/shell_keys.h"
#include "services/call_sms_messages.h"
#include "services/ir_sensor.h"
#include "services/usb_notify.h"

using namespace services_test;
using platform::devices::Device;

namespace {

class DeviceServicesTest : public ServicesTest {
protected:
    // A fresh kernel handle: handle values only grow, so every handle made
    // by a call lies between the marks taken before and after it.
    static DWORD handle_mark()
    {
        HANDLE mark = CreateMutexW(nullptr, FALSE, nullptr);
        DWORD value = handle_number(mark);
        CloseHandle(mark);
        return value;
    }

    // Device handles and device searches still open between two marks.
    static int open_device_objects_between(DWORD first, DWORD last)
    {
        int open = 0;
        for (DWORD value = first + 1; value < last; ++value) {
            auto handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
            DEVMGR_DEVICE_INFORMATION info {};
            info.dwSize = sizeof info;
            SetLastError(0);
            if (FindNextDevice(handle, &info) || GetLastError() != ERROR_INVALID_HANDLE) ++open;
            SetLastError(0);
            if (DeviceIoControl(handle, 0xFFFFFFFF, nullptr, 0, nullptr, 0, nullptr, nullptr) ||
                GetLastError() != ERROR_INVALID_HANDLE)
                ++open;
        }
        return open;
    }
};

TEST_F(DeviceServicesTest, ProximityReportsReachTheRegisteredWindowWhileEnabled)
{
    HWND window = make_window();
    DWORD before = handle_mark();
    ASSERT_TRUE(IrRegisterWindow(window, proximity_message));
    auto registrations = platform::devices::device_status().proximity_windows;
    ASSERT_EQ(registrations.size(), 1u);
    EXPECT_EQ(registrations[0].window, handle_number(window));
    EXPECT_EQ(registrations[0].message, proximity_message);

    // Reports are off until enabled.
    platform::devices::set_near(true);
    pump();
    EXPECT_TRUE(received(proximity_message).empty());

    // Enabling while something is near reports it at once.
    ASSERT_TRUE(IrEnable(TRUE));
    pump();
    platform::devices::set_near(false);
    pump();
    auto reports = received(proximity_message);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].hwnd, window);
    EXPECT_NE(reports[0].lparam, 0);
    EXPECT_EQ(reports[1].lparam, 0);

    ASSERT_TRUE(IrEnable(FALSE));
    EXPECT_FALSE(platform::devices::device_status().proximity_reports);
    platform::devices::set_near(true);
    pump();
    EXPECT_EQ(received(proximity_message).size(), 2u);

    ASSERT_TRUE(IrUnregisterWindow(window));
    EXPECT_TRUE(platform::devices::device_status().proximity_windows.empty());
    // The driver refuses a window it does not know.
    EXPECT_FALSE(IrUnregisterWindow(window));
    EXPECT_EQ(open_device_objects_between(before, handle_mark()), 0);
}

TEST_F(DeviceServicesTest, ProximityCallsFailWithoutTheDriver)
{
    HWND window = make_window();
    platform::devices::set_device_present(Device::proximity_sensor, false);
    EXPECT_FALSE(IrRegisterWindow(window, proximity_message));
    EXPECT_FALSE(IrEnable(TRUE));
    EXPECT_FALSE(IrUnregisterWindow(window));
}

TEST_F(DeviceServicesTest, UsbModeChangesArriveUnderTheRegisteredNumber)
{
    HWND window = make_window();
    DWORD before = handle_mark();
    UINT usb_message = UsbRegisterNotify();
    DWORD after = handle_mark();
    EXPECT_EQ(usb_message, RegisterWindowMessageW(u"UsbNotifyMsgName"));
    EXPECT_EQ(platform::devices::device_status().usb_messages, std::vector<UINT> {usb_message});
    // Neither the bus handle nor the search that found the bus stays open.
    EXPECT_EQ(open_device_objects_between(before, after), 0);

    platform::devices::set_usb_disk_mode(true);
    pump();
    platform::devices::set_usb_disk_mode(false);
    pump();
    auto reports = received(usb_message);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].hwnd, window);
    EXPECT_EQ(reports[0].wparam, 0u);
    EXPECT_EQ(reports[1].wparam, 1u);
}

TEST_F(DeviceServicesTest, WithoutTheUsbBusNoMessageMatches)
{
    platform::devices::set_device_present(Device::usb_function_bus, false);
    DWORD before = handle_mark();
    EXPECT_EQ(UsbRegisterNotify(), 0xFFFFFFFFu);
    EXPECT_EQ(open_device_objects_between(before, handle_mark()), 0);
}

TEST_F(DeviceServicesTest, CallAndSmsBroadcastsArriveUnderTheirNumbers)
{
    start_shell();
    HWND window = make_window();
    UINT call_message = GetCallMessage();
    UINT sms_message = GetSmsMessage();
    EXPECT_NE(call_message, 0u);
    EXPECT_NE(call_message, sms_message);

    ASSERT_TRUE(platform::shell::signal_call(platform::shell::Phase::begins));
    ASSERT_TRUE(platform::shell::signal_sms(platform::shell::Phase::ends));
    pump();
    auto calls = received(call_message);
    auto messages = received(sms_message);
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(calls[0].hwnd, window);
    EXPECT_EQ(calls[0].wparam, 1u);
    EXPECT_EQ(messages[0].wparam, 2u);
}

}  // namespace
