// A fresh device root in a temporary folder for one test, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files/device_root.h"
#include "platform/kernel/utf.h"

class TempDeviceRoot {
public:
    TempDeviceRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmor-root-XXXXXX").string();
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot create a temporary folder";
        path_ = std::filesystem::canonical(pattern);
        EXPECT_TRUE(platform::files::set_device_root(path_));
    }
    ~TempDeviceRoot()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDeviceRoot(const TempDeviceRoot&) = delete;
    TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
