// Reports the drivers post: the proximity sensor to its registered windows,
// in the order the changes happened, and the USB bus to every top-level
// window.

#include "device_test_support.h"

using namespace device_test;

namespace {

constexpr UINT near_report = 102;

class SensorReportsTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ir_ = CreateFileW(u"IRD1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(ir_, INVALID_HANDLE_VALUE);
    }
    void TearDown() override
    {
        CloseHandle(ir_);
        DeviceTest::TearDown();
    }

    BOOL register_window(HWND hwnd, UINT message, DWORD* error = nullptr)
    {
        DWORD input[2] {handle_number(hwnd), message};
        return control(ir_, 0x40C94, input, 8, nullptr, 0, error);
    }
    BOOL unregister_window(HWND hwnd, DWORD* error = nullptr)
    {
        DWORD input[2] {handle_number(hwnd), 0};
        return control(ir_, 0x40CA8, input, 8, nullptr, 0, error);
    }
    BOOL enable(BOOL on)
    {
        // The way a program calls it: no returned-bytes variable.
        return DeviceIoControl(ir_, 0x40C98, &on, sizeof on, nullptr, 0, nullptr, nullptr);
    }

    // The lParam values of the reports hwnd has received so far.
    std::vector<LPARAM> reports_to(HWND hwnd)
    {
        pump();
        std::vector<LPARAM> states;
        for (const auto& message : received())
            if (message.hwnd == hwnd && message.message == near_report) states.push_back(message.lparam);
        return states;
    }

    HANDLE ir_ = INVALID_HANDLE_VALUE;
};

TEST_F(SensorReportsTest, ChangesReachTheRegisteredWindowOnlyWhileReportsAreOn)
{
    HWND window = make_window();
    ASSERT_TRUE(register_window(window, near_report));

    platform::devices::set_near(true);
    EXPECT_TRUE(reports_to(window).empty()) << "reports are off until a program switches them on";

    // Switching on while something is near reports it at once.
    ASSERT_TRUE(enable(TRUE));
    EXPECT_EQ(reports_to(window), (std::vector<LPARAM> {1}));

    EXPECT_EQ(platform::devices::set_near(false), 1);
    EXPECT_EQ(platform::devices::set_near(false), 0) << "no change, no report";
    platform::devices::set_near(true);
    platform::devices::set_near(false);
    EXPECT_EQ(reports_to(window), (std::vector<LPARAM> {1, 0, 1, 0}));
    EXPECT_TRUE(logged("IRD1: far report 0x00000066 posted to window"));

    ASSERT_TRUE(enable(FALSE));
    platform::devices::set_near(true);
    EXPECT_EQ(reports_to(window).size(), 4u);

    // Switching on while nothing is near says nothing until something comes.
    platform::devices::set_near(false);
    ASSERT_TRUE(enable(TRUE));
    EXPECT_EQ(reports_to(window).size(), 4u);
    platform::devices::set_near(true);
    EXPECT_EQ(reports_to(window), (std::vector<LPARAM> {1, 0, 1, 0, 1}));
    for (const auto& message : received()) EXPECT_EQ(message.wparam, 0u);
}

TEST_F(SensorReportsTest, UnregisteredWindowsHearNothingMore)
{
    HWND first = make_window();
    HWND second = make_window();
    ASSERT_TRUE(register_window(first, near_report));
    ASSERT_TRUE(register_window(second, 0xC123));
    ASSERT_TRUE(enable(TRUE));
    platform::devices::set_near(true);
    EXPECT_EQ(reports_to(first), (std::vector<LPARAM> {1}));

    ASSERT_TRUE(unregister_window(first));
    platform::devices::set_near(false);
    EXPECT_EQ(reports_to(first), (std::vector<LPARAM> {1}));
    pump();
    ASSERT_EQ(received().size(), 3u);
    EXPECT_EQ(received().back().hwnd, second);
    EXPECT_EQ(received().back().message, 0xC123u);
    EXPECT_EQ(received().back().lparam, 0);

    DWORD error = 0;
    EXPECT_FALSE(unregister_window(first, &error)) << "a window that is not registered";
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(platform::devices::device_status().proximity_windows.size(), 1u);
}

TEST_F(SensorReportsTest, ProximityDriverRefusesShortBuffersAndOtherCodes)
{
    HWND window = make_window();
    DWORD error = 0;
    DWORD input[2] {handle_number(window), near_report};
    EXPECT_FALSE(control(ir_, 0x40C94, input, 4, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(control(ir_, 0x40C94, nullptr, 8, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DWORD no_window[2] {0, near_report};
    EXPECT_FALSE(control(ir_, 0x40C94, no_window, 8, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(control(ir_, 0x40C98, nullptr, 0, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(control(ir_, 0x4000C, input, 8, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(platform::devices::device_status().proximity_windows.empty());
    EXPECT_FALSE(platform::devices::device_status().proximity_reports);
}

TEST_F(SensorReportsTest, ReportsFromAnotherThreadArriveInOrder)
{
    HWND window = make_window();
    ASSERT_TRUE(register_window(window, near_report));
    ASSERT_TRUE(enable(TRUE));
    std::thread host([] {
        for (int i = 0; i < 5; ++i) {
            platform::devices::set_near(true);
            platform::devices::set_near(false);
        }
    });
    host.join();
    EXPECT_EQ(reports_to(window), (std::vector<LPARAM> {1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
}

TEST_F(SensorReportsTest, UsbDiskModeIsPostedToEveryTopLevelWindow)
{
    HWND first = make_window();
    HWND second = make_window();
    HWND child = make_window(first);
    ASSERT_NE(child, nullptr);

    HANDLE bus = CreateFileW(u"$bus\\UsbFn_0", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(bus, INVALID_HANDLE_VALUE);
    DWORD error = 0;
    UINT zero = 0;
    EXPECT_FALSE(control(bus, 0x22019C, &zero, 4, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    UINT message = RegisterWindowMessageW(u"UsbNotifyMsgName");
    EXPECT_FALSE(control(bus, 0x22019C, &message, 3, nullptr, 0, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ASSERT_TRUE(control(bus, 0x22019C, &message, 4));
    ASSERT_TRUE(control(bus, 0x22019C, &message, 4));
    CloseHandle(bus);

    EXPECT_EQ(platform::devices::set_usb_disk_mode(true), 1);
    EXPECT_EQ(platform::devices::set_usb_disk_mode(true), 0);
    EXPECT_EQ(platform::devices::set_usb_disk_mode(false), 1);
    pump();

    auto told = [&](HWND hwnd) {
        std::vector<WPARAM> changes;
        for (const auto& entry : received())
            if (entry.hwnd == hwnd && entry.message == message) changes.push_back(entry.wparam);
        return changes;
    };
    EXPECT_EQ(told(first), (std::vector<WPARAM> {0, 1}));
    EXPECT_EQ(told(second), (std::vector<WPARAM> {0, 1}));
    EXPECT_TRUE(told(child).empty());
}

TEST_F(SensorReportsTest, UsbDiskModeWithoutRegistrationPostsNothing)
{
    make_window();
    EXPECT_EQ(platform::devices::set_usb_disk_mode(true), 0);
    pump();
    EXPECT_TRUE(received().empty());
    EXPECT_TRUE(platform::devices::device_status().usb_disk_mode);
    EXPECT_TRUE(logged("nothing posted"));
}

}  // namespace
