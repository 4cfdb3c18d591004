// The fixture of the framework's tests: a fresh headless phone for each test
// (its own device root and registry, its drivers, virtual time from 0, trace
// lines captured), the framework's process-wide loop state reset, and every
// window torn down afterwards. Input goes in the way a finger gives it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "phone_session.h"
#include "tests/support/temp_folder.h"

namespace ovfc_test {

class PhoneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The registry a test starts from: the shipped defaults, with every theme
    // colour already written back unless a test clears this in its
    // constructor (writing them back flushes the hive 26 times).
    bool seed_theme_colors_ = true;

    PhoneSession& phone() { return session_; }
    const std::filesystem::path& device_root() const { return root_.path(); }

    // Sets the value "OVFC" under HKLM\SOFTWARE\Orvane\Debug.
    void set_trace_mask(DWORD mask);
    // The captured trace lines that contain text.
    std::vector<std::string> trace_with(std::string_view text) const;

    void press(int x, int y) { session_.press(x, y); }
    void move(int x, int y) { session_.move(x, y); }
    void release(int x, int y) { session_.release(x, y); }
    void tap(int x, int y) { session_.tap(x, y); }

    // Dispatches what the thread has queued until nothing is left (WM_QUIT
    // included: it is taken and returned as its exit code, else -1000).
    int pump();

    // The screen's colour at (x, y) as 0x00RRGGBB.
    std::uint32_t screen_pixel(int x, int y) const;

private:
    velmor_test::TempFolder root_ {"ovfc-phone"};
    PhoneSession session_;
};

}  // namespace ovfc_test
