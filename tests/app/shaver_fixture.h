// The shaver's tests run a shaver window on the headless phone: drivers
// installed, the shell started, and a resource library of the test's own
// laid into the program's folder, whose pictures are each one flat colour
// that names the picture, so a pixel of the screen tells which picture it
// shows. Sounds and the variant files are short tones of the test's own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "app/shaver_main_wnd.h"
#include "platform/audio/sound_event.h"
#include "tests/ovfc/phone_fixture.h"

namespace shaver_test {

// The resource id whose flat colour this is, or 0 for any other colour.
int picture_id_of(std::uint32_t xrgb);
// The flat colour (0x00RRGGBB) of a test picture.
std::uint32_t picture_colour(int id);

struct Sound {
    std::uint64_t time;
    std::string kind;
    std::string name;
};

class ShaverTest : public ovfc_test::PhoneTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lays the test's resource library (or, with pictures cleared, one
    // without these ids) into the program's folder.
    void write_resource_library(const std::vector<int>& picture_ids);
    // A variant file "WAVE\shaver_vN.wav" of a tone lasting ms; bytes
    // replaces the whole file when given.
    void write_variant(int number, int ms);
    void write_variant_bytes(int number, const std::vector<std::uint8_t>& bytes);
    void remove_variant(int number);

    // Creates and shows the window; the first paint runs its start-up.
    void start_window();
    // start_window, then the tap that dismisses the prompt.
    void start_main_screen();

    // Lets ms pass on the phone's clock in small steps, dispatching what
    // becomes due.
    void wait(int ms);

    // The picture shown at (x, y).
    int picture_at(int x, int y) const;
    // The sound events since the last clear, of one kind ("started",
    // "stopped", ...), by name.
    std::vector<std::string> sounds(const std::string& kind) const;
    void clear_sounds();
    // The name the channel of variant index i plays under.
    std::string variant_channel(int index) const;
    bool playing(const std::string& name) const;

    ShaverMainWnd& window() { return *window_; }
    HWND hwnd() const { return window_->GetHwnd(); }
    bool task_bar_visible() const;

    std::unique_ptr<ShaverMainWnd> window_;
    int first_channel_ = 0;
    std::vector<Sound> sound_events_;
};

}  // namespace shaver_test
