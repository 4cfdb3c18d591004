// A headless phone in this process, started as the host starts one
// (PhoneBoot: the device root, the registry loaded from its hive file, the
// drivers, the clock in virtual time), without the shell, and with the
// debug output captured line by line. Shared by the framework's
// tests and by the small framework programs they run. Tests drive it as a
// person drives the phone: a finger on the screen, time passing, a look at
// the screen compared with a reference picture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/phone_boot.h"
#include "platform/host/png_image.h"
#include "platform/kernel/result.h"

namespace ovfc_test {

// The outcome of expect_screen: true when the screen matched; otherwise the
// message says how it differs and where the pictures of it were written.
struct ScreenCheck {
    bool matched = false;
    std::string message;
    explicit operator bool() const { return matched; }
};

class PhoneSession {
public:
    // Starts the phone on device_root (created if needed); the registry is
    // device_root/registry.reg, created from the shipped defaults when it is
    // missing. Trace lines also go to standard error when echo_trace is set.
    platform::Result<void> start(const std::filesystem::path& device_root, bool echo_trace = false);
    // Destroys the thread's windows, takes the drivers away, saves the
    // registry and stops capturing.
    void stop();
    ~PhoneSession() { stop(); }

    std::filesystem::path registry_file() const;

    // The debug output's lines since start (or the last clear_trace).
    std::vector<std::string> trace() const;
    void clear_trace();

    // A finger on the screen at (x, y). Each queues the touch and returns at
    // once; the window under the point gets it when the thread next reads
    // its queue (pump, wait or a message loop of the program).
    void press(int x, int y);
    void move(int x, int y);
    void release(int x, int y);
    void tap(int x, int y);

    // Lets ms of the phone's time pass, dispatching the thread's messages,
    // paints and timers as they fall due. Returns the exit code when a
    // WM_QUIT is taken meanwhile (the wait then ends there), else nothing.
    std::optional<int> wait(std::uint32_t ms);

    // The screen as it is now, 0x00RRGGBB.
    static platform::host::Image screen_image();

    // Compares the screen with the PNG reference, each channel within
    // tolerance. On a difference the screen goes to actual_file and a
    // picture of the difference beside it (actual_file's name + "-diff");
    // without actual_file both go to the temporary folder under the
    // reference's name. With VELMOR_UPDATE_REFERENCES=1 the reference is
    // written from the screen instead, and only then.
    static ScreenCheck expect_screen(
        const std::filesystem::path& reference, int tolerance, const std::filesystem::path& actual_file = {});

private:
    bool started_ = false;
    std::optional<platform::host::PhoneBoot> boot_;
    int capture_id_ = -1;
    std::filesystem::path root_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Compares a picture with the PNG reference as PhoneSession::expect_screen
// compares the screen.
ScreenCheck expect_picture(const platform::host::Image& actual, const std::filesystem::path& reference, int tolerance,
    const std::filesystem::path& actual_file);

}  // namespace ovfc_test
