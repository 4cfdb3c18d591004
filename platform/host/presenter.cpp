#include "platform/host/presenter.h"

#include "platform/gdi/screen.h"
#include "platform/kernel/clock.h"

namespace platform::host {
namespace {

bool covers_screen(const RECT& area)
{
    return area.left <= 0 && area.top <= 0 && area.right >= platform::gdi::Screen::width &&
        area.bottom >= platform::gdi::Screen::height;
}

}  // namespace

Presenter::Presenter(Display& display, Recorder* recorder, int frames_per_second)
    : display_(display)
    , recorder_(recorder)
    , pacer_(frames_per_second)
{
}

Presenter::~Presenter() { detach(); }

void Presenter::attach()
{
    ui_thread_ = std::this_thread::get_id();
    attached_ = true;
    platform::gdi::screen().set_changed_hook([this](const RECT& area) { on_screen_changed(area); });
}

void Presenter::detach()
{
    if (!attached_) return;
    attached_ = false;
    platform::gdi::screen().set_changed_hook({});
}

void Presenter::on_screen_changed(const RECT& area)
{
    // Drawing from another thread is shown at the UI thread's next idle.
    if (std::this_thread::get_id() != ui_thread_ || presenting_) return;
    if (covers_screen(area)) {
        // A whole frame: an animation shows it now, since it draws the next
        // one without returning to the message loop.
        pacer_.wait_for_frame_slot();
        present();
    } else if (display_.interactive() && platform::clock::mode() == platform::clock::Mode::real_time &&
        platform::clock::now() >= last_present_end_ + pacer_.period_ms()) {
        // A person watching sees a long stretch of partial drawing at the
        // frame rate rather than all at once at its end.
        present();
    }
}

void Presenter::present_pending()
{
    if (std::this_thread::get_id() != ui_thread_ || presenting_) return;
    present();
    pacer_.went_idle();
}

Image Presenter::presented_screen() const
{
    Image image;
    image.width = platform::gdi::Screen::width;
    image.height = platform::gdi::Screen::height;
    image.pixels = presented_.empty() ? platform::gdi::screen().read_xrgb() : presented_;
    return image;
}

void Presenter::present()
{
    RECT damage = platform::gdi::screen().take_damage();
    if (damage.left >= damage.right || damage.top >= damage.bottom) return;
    presenting_ = true;
    pacer_.frame_shown();
    presented_ = platform::gdi::screen().read_xrgb();
    display_.present(presented_, damage);
    ++frames_;
    if (recorder_) {
        Image image;
        image.width = platform::gdi::Screen::width;
        image.height = platform::gdi::Screen::height;
        image.pixels = presented_;
        recorder_->frame(image, platform::clock::now());
    }
    // Partial updates count their period from the end of this presentation,
    // so slow presentations leave the program time to draw between them.
    last_present_end_ = platform::clock::now();
    presenting_ = false;
}

}  // namespace platform::host
