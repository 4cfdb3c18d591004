#include "platform/host/presenter.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/pixel_format.h"
#include "platform/gdi/screen.h"
#include "platform/kernel/clock.h"
#include "platform/user/host.h"

namespace platform::host {
namespace {

bool covers_screen(const RECT& area)
{
    return area.left <= 0 && area.top <= 0 && area.right >= platform::gdi::Screen::width &&
        area.bottom >= platform::gdi::Screen::height;
}

bool is_empty(const RECT& area) { return area.left >= area.right || area.top >= area.bottom; }

bool overlap(const RECT& a, const RECT& b)
{
    return !is_empty(a) && !is_empty(b) && a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT unite(const RECT& a, const RECT& b)
{
    if (is_empty(a)) return b;
    if (is_empty(b)) return a;
    return RECT {
        std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

RECT clipped_to_screen(const RECT& area)
{
    return RECT {std::clamp<LONG>(area.left, 0, platform::gdi::Screen::width),
        std::clamp<LONG>(area.top, 0, platform::gdi::Screen::height),
        std::clamp<LONG>(area.right, 0, platform::gdi::Screen::width),
        std::clamp<LONG>(area.bottom, 0, platform::gdi::Screen::height)};
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
    {
        std::lock_guard lock(shadow_mutex_);
        shadow_.assign(std::size_t(platform::gdi::Screen::width) * platform::gdi::Screen::height, 0);
    }
    keep_in_shadow(RECT {0, 0, platform::gdi::Screen::width, platform::gdi::Screen::height});
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
    if (std::this_thread::get_id() != ui_thread_ || presenting_) {
        keep_in_shadow(area);
        return;
    }
    if (covers_screen(area)) {
        // A whole frame: an animation shows it now, since it draws the next
        // one without returning to the message loop.
        pacer_.wait_for_frame_slot();
        present();
    } else if (!platform::user::painting_now() && drawn_over(area)) {
        // Drawn over the step before: that step was whole. A paint may
        // overlap itself freely (a background, then text on it).
        pacer_.wait_for_frame_slot();
        RECT step = drawn_bounds();
        not_yet_shown_ = unite(not_yet_shown_, platform::gdi::screen().take_damage());
        show(shadow_xrgb(), step);
        drawn_since_frame_.assign(1, area);
        in_partial_animation_ = true;
    } else if (display_.interactive() && platform::clock::mode() == platform::clock::Mode::real_time &&
        platform::clock::now() >= last_present_end_ + pacer_.period_ms()) {
        // A person watching sees a long stretch of partial drawing at the
        // frame rate rather than all at once at its end.
        present();
    } else {
        note_drawn(area);
    }
    keep_in_shadow(area);
}

void Presenter::present_pending()
{
    if (std::this_thread::get_id() != ui_thread_ || presenting_) return;
    // A partial animation's last step keeps its period like the others.
    if (in_partial_animation_ && !drawn_since_frame_.empty()) pacer_.wait_for_frame_slot();
    in_partial_animation_ = false;
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
    RECT damage = unite(platform::gdi::screen().take_damage(), not_yet_shown_);
    not_yet_shown_ = RECT {0, 0, 0, 0};
    drawn_since_frame_.clear();
    if (is_empty(damage)) return;
    show(platform::gdi::screen().read_xrgb(), damage);
}

void Presenter::show(std::vector<std::uint32_t> pixels, const RECT& damage)
{
    presenting_ = true;
    pacer_.frame_shown();
    presented_ = std::move(pixels);
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

bool Presenter::drawn_over(const RECT& area) const
{
    return std::any_of(
        drawn_since_frame_.begin(), drawn_since_frame_.end(), [&](const RECT& drawn) { return overlap(drawn, area); });
}

void Presenter::note_drawn(const RECT& area)
{
    // Enough for the steps of an animation; a long stretch of drawing
    // is told apart well enough by its outline.
    constexpr std::size_t most_kept = 32;
    if (is_empty(area)) return;
    if (drawn_since_frame_.size() >= most_kept) drawn_since_frame_.assign(1, drawn_bounds());
    drawn_since_frame_.push_back(area);
}

RECT Presenter::drawn_bounds() const
{
    RECT bounds {0, 0, 0, 0};
    for (const RECT& drawn : drawn_since_frame_) bounds = unite(bounds, drawn);
    return bounds;
}

void Presenter::keep_in_shadow(const RECT& changed)
{
    RECT area = clipped_to_screen(changed);
    if (is_empty(area)) return;
    const auto& bitmap = platform::gdi::screen().bitmap();
    std::lock_guard lock(shadow_mutex_);
    if (shadow_.empty()) return;
    std::size_t width = std::size_t(area.right - area.left);
    for (LONG y = area.top; y < area.bottom; ++y)
        std::memcpy(shadow_.data() + std::size_t(y) * platform::gdi::Screen::width + std::size_t(area.left),
            bitmap->row(int(y)) + std::size_t(area.left) * sizeof(std::uint16_t), width * sizeof(std::uint16_t));
}

std::vector<std::uint32_t> Presenter::shadow_xrgb() const
{
    std::lock_guard lock(shadow_mutex_);
    std::vector<std::uint32_t> pixels(shadow_.size());
    for (std::size_t i = 0; i < shadow_.size(); ++i)
        pixels[i] = platform::gdi::pixel_to_xrgb(platform::gdi::PixelFormat::rgb565, shadow_[i]);
    return pixels;
}

}  // namespace platform::host
