// The accelerometer wrappers over the "ACC0:" driver: the open count, the
// log lines, readings from the sensor, and defined outputs when nothing can
// be read.
#include "services_fixture.h"

#include "platform/devices/device_host.h"
#include "platform/kernel/clock.h"
#include "services/accelerometer.h"

using namespace services_test;
using platform::devices::Device;

namespace {

const std::string close_line = "[Acc Api] Close ACC0..........";
const std::string not_opened_line = "[Acc Api] ACC0 not opened..........";

class AccelerometerTest : public ServicesTest { };

TEST_F(AccelerometerTest, NestedOpensShareTheDeviceUntilTheLastClose)
{
    ASSERT_TRUE(AccOpen());
    UINT acc_message = RegisterWindowMessageW(u"AccMessage");
    EXPECT_EQ(platform::devices::device_status().acceleration_message, acc_message);
    ASSERT_TRUE(AccOpen());

    AccClose();
    EXPECT_EQ(count_trace(close_line), 0u);
    signed char x = 0, y = 0, z = 0;
    EXPECT_TRUE(AccRead(&x, &y, &z));

    AccClose();
    EXPECT_EQ(count_trace(close_line), 1u);
    EXPECT_FALSE(AccRead(&x, &y, &z));
    EXPECT_EQ(count_trace(not_opened_line), 1u);

    // Closed for good: the count did not go below zero, so one open and one
    // close make a full cycle again, and the driver hears the message anew.
    platform::devices::reset_devices();
    ASSERT_TRUE(AccOpen());
    EXPECT_EQ(platform::devices::device_status().acceleration_message, acc_message);
    AccClose();
    EXPECT_EQ(count_trace(close_line), 2u);
}

TEST_F(AccelerometerTest, FailedOpenLogsAndLeavesEverythingClosed)
{
    platform::devices::set_device_present(Device::accelerometer, false);
    EXPECT_FALSE(AccOpen());
    EXPECT_EQ(count_trace("[Acc Api] Open ACC0 failed err " + std::to_string(ERROR_FILE_NOT_FOUND) + ".........."), 1u);

    // The caller's variables hold leftovers; a read that cannot happen must
    // not leave them for the caller to compare.
    signed char x = 55, y = -7, z = 99;
    EXPECT_FALSE(AccRead(&x, &y, &z));
    EXPECT_EQ(count_trace(not_opened_line), 1u);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(z, 0);

    // Closing what is not open only logs the open failure with the last error.
    SetLastError(ERROR_ACCESS_DENIED);
    AccClose();
    EXPECT_EQ(count_trace("[Acc Api] Open ACC0 failed err " + std::to_string(ERROR_ACCESS_DENIED) + ".........."), 1u);
    EXPECT_EQ(count_trace(close_line), 0u);

    // The count was left alone, so the device opens and closes normally now.
    platform::devices::set_device_present(Device::accelerometer, true);
    ASSERT_TRUE(AccOpen());
    AccClose();
    EXPECT_EQ(count_trace(close_line), 1u);
}

TEST_F(AccelerometerTest, ReadingsFollowTheSensorAndAFailedReadIsZero)
{
    ASSERT_TRUE(AccOpen());
    signed char x = 0, y = 0, z = 0;

    platform::devices::tilt(10, -20, 64);
    ASSERT_TRUE(AccRead(&x, &y, &z));
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, -20);
    EXPECT_EQ(z, 64);

    // The extremes keep their signs.
    platform::devices::tilt(-128, 127, -1);
    ASSERT_TRUE(AccRead(&x, &y, &z));
    EXPECT_EQ(x, -128);
    EXPECT_EQ(y, 127);
    EXPECT_EQ(z, -1);

    // A shake moves the readings away from the resting tilt.
    platform::devices::tilt(0, 0, 64);
    platform::devices::set_shake_seed(7);
    platform::devices::shake(600);
    bool moved = false;
    for (int step = 0; step < 20 && !moved; ++step) {
        platform::clock::advance(30);
        ASSERT_TRUE(AccRead(&x, &y, &z));
        moved = x != 0 || y != 0 || z != 64;
    }
    EXPECT_TRUE(moved);

    // A driver that stops answering gives a failed read of zeros.
    platform::devices::set_device_present(Device::accelerometer, false);
    x = y = z = 33;
    EXPECT_FALSE(AccRead(&x, &y, &z));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(z, 0);
    EXPECT_EQ(count_trace(not_opened_line), 0u);

    platform::devices::set_device_present(Device::accelerometer, true);
    AccClose();
}

}  // namespace
