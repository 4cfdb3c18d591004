// Where the phone's screen is shown: a small table of display backends the
// host picks from by name, as SDL does with its video drivers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/screen.h"
#include "platform/host/phone_keys.h"
#include "platform/host/png_image.h"
#include "platform/include/windef.h"
#include "platform/kernel/result.h"
#include "platform/user/host.h"

namespace platform::host {

struct DisplayOptions {
    int scale = 1;
    // Where F12 screenshots go.
    std::filesystem::path screenshot_folder = ".";
    // The person's finger; inject_pointer when empty.
    std::function<void(platform::user::PointerKind, int x, int y)> pointer;
    // Lines worth a place in the event log ("screenshot saved to ...").
    std::function<void(const std::string&)> report;
    // The phone's keys and the world's events pressed in the window;
    // press_phone_key (and report) when empty.
    std::function<void(PhoneKey)> key;
    // Whether a window larger than the screen is shown smaller; off for
    // windows on SDL's dummy driver, whose "screen" is a fixed 1024 x 768.
    bool fit_to_screen = true;
    // Called just before the display acts on something the person did (the
    // finger, a key, closing it), so virtual time can catch up with the
    // person's own.
    std::function<void()> before_input;
    // One input per pump_events, so the phone takes each before the next,
    // as a replayed script gives them.
    bool one_input_per_pump = false;
};

class Display {
public:
    virtual ~Display() = default;

    // Shows a frame of the screen; damage is the part that changed since the
    // last call. Runs on the UI thread.
    virtual void present(const platform::gdi::ScreenFrame& frame, const RECT& damage) = 0;

    // Handles what the person did, waiting up to wait_ms (no limit when
    // negative) for something to happen. Returns false once the person has
    // closed the display.
    virtual bool pump_events(int wait_ms) = 0;

    // Ends a pump_events that is waiting. Safe from any thread.
    virtual void wake() { }

    // What the display shows of the phone now, at the display's own size.
    virtual platform::Result<Image> capture() = 0;

    // Whether a person is watching (and a run without a script should wait
    // for them).
    virtual bool interactive() const = 0;

    virtual int frames_presented() const = 0;

    // Shows the status panel's text beside the phone (status_panel.h), if
    // the display has a panel; unchanged text costs nothing.
    virtual void show_status(const std::vector<std::string>&) { }
    // What the status panel shows now, at the display's own size; a failure
    // for a display without one.
    virtual platform::Result<Image> capture_panel() { return platform::Failure {"this display has no status panel"}; }
    // The whole window as it shows now (phone, its keys, the panel); a
    // failure for a display without a window.
    virtual platform::Result<Image> capture_window() { return platform::Failure {"this display has no window"}; }
};

struct DisplayBackend {
    const char* name;
    const char* description;
    // A failure concerns the backend, by its name.
    platform::Result<std::unique_ptr<Display>> (*create)(const DisplayOptions& options);
};

// The backends in the order they are offered: "headless", "sdl".
const std::vector<DisplayBackend>& display_backends();
const DisplayBackend* find_display_backend(const std::string& name);

platform::Result<std::unique_ptr<Display>> create_headless_display(const DisplayOptions& options);
platform::Result<std::unique_ptr<Display>> create_sdl_display(const DisplayOptions& options);

}  // namespace platform::host
