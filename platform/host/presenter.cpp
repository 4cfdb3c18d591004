#include "platform/host/presenter.h"

#include <algorithm>
#include <cstring>

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

Presenter::Presenter(Display& display, Recorder* recorder, int frames_per_second, bool frames_seen)
    : display_(display)
    , recorder_(recorder)
    , frames_seen_(frames_seen || recorder)
    , pacer_(frames_per_second)
{
}

Presenter::~Presenter() { detach(); }

void Presenter::attach()
{
    ui_thread_ = std::this_thread::get_id();
    attached_ = true;
    if (frames_seen_) {
        std::lock_guard lock(shadow_mutex_);
        shadow_ = free_buffer();
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
    if (!covers_screen(area) && !platform::user::painting_now() && drawn_over(area)) {
        // Drawn over the step before: that step was whole, and is shown as
        // it stood before this draw. A paint may overlap itself freely (a
        // background, then text on it).
        pacer_.wait_for_frame_slot();
        RECT step = drawn_bounds();
        not_yet_shown_ = unite(not_yet_shown_, platform::gdi::screen().take_damage());
        show(shadow_frame(), step);
        drawn_since_frame_.assign(1, area);
        in_partial_animation_ = true;
        keep_in_shadow(area);
        return;
    }
    keep_in_shadow(area);
    if (covers_screen(area)) {
        // A whole frame: an animation shows it now, since it draws the next
        // one without returning to the message loop.
        pacer_.wait_for_frame_slot();
        present();
    } else if (display_.interactive() && platform::clock::mode() == platform::clock::Mode::real_time &&
        lasted_a_period()) {
        // A person watching sees a long stretch of partial drawing at the
        // frame rate rather than all at once at its end; a short one (a
        // paint) shows once, whole, when the program goes idle.
        present();
    } else {
        if (drawn_since_frame_.empty()) stretch_started_ = platform::clock::now();
        note_drawn(area);
    }
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
    image.pixels = presented_.empty() ? platform::gdi::screen().read_xrgb() : presented_.xrgb();
    return image;
}

void Presenter::present()
{
    RECT damage = unite(platform::gdi::screen().take_damage(), not_yet_shown_);
    not_yet_shown_ = RECT {0, 0, 0, 0};
    drawn_since_frame_.clear();
    if (is_empty(damage)) return;
    // The shadow holds the screen as it stands now.
    show(shadow_frame(), damage);
}

void Presenter::show(platform::gdi::ScreenFrame frame, const RECT& damage)
{
    presenting_ = true;
    pacer_.frame_shown();
    presented_ = std::move(frame);
    display_.present(presented_, damage);
    ++frames_;
    if (recorder_) {
        Image image;
        image.width = platform::gdi::Screen::width;
        image.height = platform::gdi::Screen::height;
        image.pixels = presented_.xrgb();
        recorder_->frame(image, platform::clock::now());
    }
    // Partial updates count their period from the end of this presentation,
    // so slow presentations leave the program time to draw between them.
    last_present_end_ = platform::clock::now();
    presenting_ = false;
}

bool Presenter::lasted_a_period() const
{
    if (drawn_since_frame_.empty()) return false;
    return platform::clock::now() >= std::max(last_present_end_, stretch_started_) + pacer_.period_ms();
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
    if (!shadow_) return;
    // Held by the shadow and the buffer list only, or also by a frame?
    if (shadow_.use_count() > 2) {
        // A frame shows these pixels; it keeps them, the shadow moves on.
        auto pixels = free_buffer();
        if (!covers_screen(area))
            std::memcpy(pixels.get(), shadow_.get(), platform::gdi::Screen::pixel_count * sizeof(std::uint16_t));
        shadow_ = std::move(pixels);
    }
    std::size_t width = std::size_t(area.right - area.left);
    for (LONG y = area.top; y < area.bottom; ++y)
        std::memcpy(shadow_.get() + std::size_t(y) * platform::gdi::Screen::width + std::size_t(area.left),
            bitmap->row(int(y)) + std::size_t(area.left) * sizeof(std::uint16_t), width * sizeof(std::uint16_t));
}

std::shared_ptr<std::uint16_t[]> Presenter::free_buffer()
{
    // Two frames at most are held at a time (the one shown and the one the
    // display or a check still holds) besides the shadow; a few more cover
    // a display that keeps one longer.
    constexpr std::size_t most_kept = 4;
    for (const auto& buffer : buffers_)
        if (buffer.use_count() == 1) return buffer;
    // The shadow's buffer always stays on the list, which the test for a
    // frame holding it counts on; an older one leaves it to its holders.
    if (buffers_.size() >= most_kept)
        buffers_.erase(
            std::find_if(buffers_.begin(), buffers_.end(), [this](const auto& buffer) { return buffer != shadow_; }));
    auto buffer = std::make_shared_for_overwrite<std::uint16_t[]>(platform::gdi::Screen::pixel_count);
    buffers_.push_back(buffer);
    return buffer;
}

std::size_t Presenter::frame_buffers() const
{
    std::lock_guard lock(shadow_mutex_);
    return buffers_.size();
}

platform::gdi::ScreenFrame Presenter::shadow_frame()
{
    std::lock_guard lock(shadow_mutex_);
    return platform::gdi::ScreenFrame(shadow_);
}

}  // namespace platform::host
