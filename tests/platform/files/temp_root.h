// A fresh device root in a temporary folder for one test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/device_root.h"
#include "platform/kernel/utf.h"
#include "tests/support/temp_folder.h"

class TempDeviceRoot {
public:
    TempDeviceRoot()
    {
        if (!folder_.made()) ADD_FAILURE() << "cannot create a temporary folder";
        EXPECT_TRUE(platform::files::set_device_root(folder_.path()));
    }
    TempDeviceRoot(const TempDeviceRoot&) = delete;
    TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }

private:
    velmor_test::TempFolder folder_ {"velmor-root"};
};
