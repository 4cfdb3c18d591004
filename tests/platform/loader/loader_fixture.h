// A fresh device root for each test, with helpers to put resource libraries
// into it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/device_root.h"
#include "platform/loader/module_registry.h"
#include "platform/loader/pe_writer.h"
#include "tests/support/temp_folder.h"

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.made());
        root_ = temp_.path();
        ASSERT_TRUE(platform::files::set_device_root(root_));
        platform::loader::set_program_path(u"\\Program Files\\Velmor\\Velmor.exe");
        platform::loader::set_load_error_reporter([this](const std::string& message) { reports_.push_back(message); });
    }

    void TearDown() override { platform::loader::unload_all_modules(); }

    // Writes bytes to a path below the device root ("Windows/ovres.dll").
    void put_file(const std::string& relative, const std::vector<std::uint8_t>& bytes)
    {
        auto path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    velmor_test::TempFolder temp_ {"velmor-loader"};
    std::filesystem::path root_;
    std::vector<std::string> reports_;
};

inline std::vector<std::uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }
