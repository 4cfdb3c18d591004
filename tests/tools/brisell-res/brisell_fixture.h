// A phone whose device root holds a copy of the program folder the build
// laid out (BrisellRes.dll and WAVE\shaver_v*.wav), with the program at
// \Program Files\Velmor\Velmor.exe, as the shaver finds them at start-up.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files/device_root.h"
#include "platform/include/windows.h"
#include "platform/loader/module_registry.h"
#include "rgba_picture.h"
#include "tests/support/temp_folder.h"

class BrisellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::filesystem::path built =
            std::filesystem::path(VELMOR_BRISELL_DEVICE_ROOT) / "Program Files" / "Velmor";
        ASSERT_TRUE(std::filesystem::exists(built / "BrisellRes.dll")) << built << " was not built";
        ASSERT_TRUE(temp_.made());
        folder_ = temp_.path();
        std::filesystem::create_directories(folder_ / "root" / "Program Files");
        std::filesystem::copy(
            built, folder_ / "root" / "Program Files" / "Velmor", std::filesystem::copy_options::recursive);
        ASSERT_TRUE(platform::files::set_device_root(folder_ / "root"));
        platform::loader::set_program_path(u"\\Program Files\\Velmor\\Velmor.exe");
        // By bare name, as the shaver loads it.
        library_ = LoadLibraryW(u"BrisellRes.dll");
        ASSERT_NE(library_, nullptr);
    }

    void TearDown() override { platform::loader::unload_all_modules(); }

    std::vector<std::uint8_t> resource(int id, const char16_t* type) const
    {
        HRSRC found = FindResourceW(library_, MAKEINTRESOURCEW(id), type);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(library_, found);
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
        if (!bytes) return {};
        return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(library_, found));
    }

    brisell_test::RgbaPicture picture(int id) const
    {
        brisell_test::RgbaPicture decoded;
        std::string error;
        const auto bytes = resource(id, MAKEINTRESOURCEW(10));
        EXPECT_FALSE(bytes.empty()) << "no RCDATA " << id;
        EXPECT_TRUE(brisell_test::decode_png(bytes, decoded, error)) << "picture " << id << ": " << error;
        return decoded;
    }

    velmor_test::TempFolder temp_ {"velmor-brisell"};
    std::filesystem::path folder_;
    HMODULE library_ = nullptr;
};
