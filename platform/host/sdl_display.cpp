// The window a person watches: an SDL2 window with the phone drawn around
// its screen (the M key and the power key click as on the device) and the
// status panel beside it (sensors, shell, sound, last events, the window's
// frame rate and keys). The mouse is the finger; keys stand for the phone's
// hardware keys and the world around it; F12 saves what the window shows of
// the phone.

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "platform/gdi/rgb565_rows.h"
#include "platform/gdi/screen.h"
#include "platform/host/display_backend.h"
#include "platform/host/phone_skin.h"
#include "platform/host/status_panel.h"
#include "platform/host/x_display_probe.h"
#include "platform/kernel/clock.h"

namespace platform::host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int phone_width = platform::gdi::Screen::width;
constexpr int phone_height = platform::gdi::Screen::height;
// Room the window manager takes above the window for its title.
constexpr int title_bar_allowance = 40;
// The panel's own figures (frame rate) change all the time; redrawing the
// panel for them twice a second is enough to read them.
constexpr auto panel_refresh = std::chrono::milliseconds(500);
// How long an X server far away has to answer before the window gives up.
constexpr int x_display_timeout_ms = 800;
constexpr Uint32 x_display_retry_ms = 150;
// What this display's failures concern: its name in the backend table.
constexpr const char* backend_name = "sdl";

// The window keys and what they stand for.
std::optional<PhoneKey> phone_key(SDL_Keycode key, Uint16 modifiers)
{
    // A keyboard key has no hold time of its own, so Shift stands for holding
    // the power key down (the power-off question).
    if (key == SDLK_p && (modifiers & KMOD_SHIFT)) return PhoneKey::power_long;
    switch (key) {
    case SDLK_HOME:
    case SDLK_ESCAPE:
        return PhoneKey::m_key;
    case SDLK_s:
        return PhoneKey::shake;
    case SDLK_n:
        return PhoneKey::near_toggle;
    case SDLK_c:
        return PhoneKey::call_toggle;
    case SDLK_m:
        return PhoneKey::sms_toggle;
    case SDLK_u:
        return PhoneKey::usb_toggle;
    case SDLK_p:
        return PhoneKey::power;
    default:
        return std::nullopt;
    }
}

std::string environment_value(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// SDL falls back to drawing off screen when no display answers; a window
// nobody can see would wait for a person forever.
bool invisible_driver(const char* driver)
{
    std::string name = driver ? driver : "";
    if (name != "offscreen" && name != "dummy") return false;
    // Asked for by name (tests run the window on SDL's dummy driver).
    return environment_value("SDL_VIDEODRIVER") != name;
}

std::string displays_tried()
{
    std::string x11 = environment_value("DISPLAY"), wayland = environment_value("WAYLAND_DISPLAY");
    if (x11.empty() && wayland.empty()) return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    std::string tried;
    if (!x11.empty()) tried = "DISPLAY " + x11;
    if (!wayland.empty()) tried += (tried.empty() ? "" : ", ") + std::string("WAYLAND_DISPLAY ") + wayland;
    return tried + " does not answer";
}

// How long the window takes to show a frame, and how many it shows a second.
class FrameStats {
public:
    void shown(Clock::time_point start, Clock::time_point end)
    {
        frames_.push_back({end, end - start});
        while (!frames_.empty() && end - frames_.front().end > std::chrono::seconds(1)) frames_.pop_front();
    }
    std::string text(Clock::time_point now) const
    {
        int count = 0;
        Clock::duration busy {};
        for (const auto& frame : frames_)
            if (now - frame.end <= std::chrono::seconds(1)) {
                ++count;
                busy += frame.took;
            }
        char line[64];
        double milliseconds = count ? std::chrono::duration<double, std::milli>(busy).count() / count : 0.0;
        std::snprintf(line, sizeof line, "%d fps, frame %.1f ms", count, milliseconds);
        return line;
    }

    // When the text next changes by itself (a frame leaving the last
    // second); nothing once it rests.
    std::optional<Clock::time_point> next_change(Clock::time_point now) const
    {
        for (const auto& frame : frames_)
            if (frame.end + std::chrono::seconds(1) >= now) return frame.end + std::chrono::seconds(1);
        return std::nullopt;
    }

private:
    struct Frame {
        Clock::time_point end;
        Clock::duration took;
    };
    std::deque<Frame> frames_;
};

class SdlDisplay final : public Display {
public:
    explicit SdlDisplay(const DisplayOptions& options)
        : options_(options)
        , layout_(phone_skin_layout(phone_width, phone_height, status_panel_width))
    {
        if (!options_.pointer) options_.pointer = platform::user::inject_pointer;
        if (!options_.key)
            options_.key = [report = options_.report](PhoneKey key) {
                std::string done = press_phone_key(key);
                if (report) report(done);
            };
    }

    ~SdlDisplay() override
    {
        for (SDL_Texture* texture : {panel_texture_, skin_texture_, texture_})
            if (texture) SDL_DestroyTexture(texture);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        if (video_started_) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            // Nothing else in the phone uses SDL once its last subsystem is
            // down, so everything it holds can go.
            if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
        }
    }

    platform::Result<void> start()
    {
        std::string x_display = environment_value("DISPLAY"), driver = environment_value("SDL_VIDEODRIVER");
        bool x_display_answered = false;
        if (!x_display.empty() && environment_value("WAYLAND_DISPLAY").empty() && (driver.empty() || driver == "x11")) {
            if (auto reached = reach_x_display(x_display, x_display_timeout_ms); !reached)
                return failure_at(backend_name, "cannot open the window: " + reached.failure().text());
            x_display_answered = true;
        }
        // An X server started a moment ago can still turn a client away, and
        // SDL then falls back to a driver that shows nothing. A display that
        // answered the check above gets two more tries before it is given up.
        for (int attempt = 1;; ++attempt) {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return failed("cannot start SDL's video");
            video_started_ = true;
            if (!invisible_driver(SDL_GetCurrentVideoDriver())) break;
            if (!x_display_answered || attempt == 3)
                return failure_at(backend_name, "cannot open the window: " + displays_tried());
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            video_started_ = false;
            SDL_Delay(x_display_retry_ms);
        }
        wake_event_ = SDL_RegisterEvents(1);
        choose_scale();
        window_ = SDL_CreateWindow("Velmor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
            to_pixels(layout_.window_width), to_pixels(layout_.window_height), SDL_WINDOW_SHOWN);
        if (!window_) return failed("cannot open the window");
        // A few pictures a frame need no GPU; the software renderer starts at
        // once and brings no GL driver threads into the process. Its window
        // pixels go straight to the X server too, unless the person asks SDL
        // otherwise: through a GL texture (SDL's default) each frame would be
        // drawn a second time by a software GL on machines without a GPU.
        SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) return failed("cannot draw into the window");
        SDL_RendererInfo renderer_info {};
        software_ =
            SDL_GetRendererInfo(renderer_, &renderer_info) == 0 && (renderer_info.flags & SDL_RENDERER_SOFTWARE) != 0;
        texture_ = SDL_CreateTexture(
            renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, phone_width, phone_height);
        if (!texture_) return failed("cannot make the screen's texture");
        // Whole scales keep the phone's pixels sharp; a fraction is smoothed.
        bool whole = scale_ == std::floor(scale_);
        SDL_SetTextureScaleMode(texture_, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        std::vector<std::uint32_t> black(std::size_t(phone_width) * phone_height, 0);
        SDL_UpdateTexture(texture_, nullptr, black.data(), phone_width * 4);
        if (!draw_skin()) return failed("cannot make the phone's texture");
        SDL_Rect panel = to_pixels(layout_.panel);
        panel_texture_ =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, panel.w, panel.h);
        if (!panel_texture_) return failed("cannot make the status panel's texture");
        draw_panel();
        mark_changed(whole_window());
        show();
        return {};
    }

    void present(const platform::gdi::ScreenFrame& frame, const RECT& damage) override
    {
        if (frame.empty()) return;
        auto start = Clock::now();
        SDL_Rect area {0, 0, phone_width, phone_height};
        if (damage.right > damage.left && damage.bottom > damage.top) {
            area.x = std::clamp<int>(damage.left, 0, phone_width);
            area.y = std::clamp<int>(damage.top, 0, phone_height);
            area.w = std::clamp<int>(damage.right, 0, phone_width) - area.x;
            area.h = std::clamp<int>(damage.bottom, 0, phone_height) - area.y;
            if (area.w <= 0 || area.h <= 0) return;
        }
        // Only the changed rows are widened, straight into the texture.
        void* target = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, &area, &target, &pitch) != 0) return;
        for (int y = 0; y < area.h; ++y)
            platform::gdi::rgb565_row_to_xrgb(frame.row(area.y + y) + area.x,
                reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(target) + std::size_t(y) * pitch),
                std::size_t(area.w));
        SDL_UnlockTexture(texture_);
        mark_changed(window_area_of(area));
        show();
        ++frames_;
        stats_.shown(start, Clock::now());
    }

    bool pump_events(int wait_ms) override
    {
        // The panel's frame rate still has to count down to its resting
        // figure; otherwise only the person (or a wake) ends the wait.
        int wait = wait_ms < 0 ? -1 : wait_ms;
        // What changed since the last frame (the panel's text) shows before
        // the wait, together.
        show();
        if (auto refresh = ms_until_panel_refresh()) wait = wait < 0 ? *refresh : std::min(wait, *refresh);
        SDL_Event event;
        bool have = wait > 0 ? SDL_WaitEventTimeout(&event, wait) != 0
            : wait < 0       ? SDL_WaitEvent(&event) != 0
                             : SDL_PollEvent(&event) != 0;
        while (have) {
            if (handle(event) && options_.one_input_per_pump) break;
            have = SDL_PollEvent(&event) != 0;
        }
        if (Clock::now() - panel_drawn_ >= panel_refresh && footer() != panel_footer_) {
            draw_panel();
            show();
        }
        return !closed_;
    }

    void wake() override
    {
        if (wake_event_ == Uint32(-1)) return;
        SDL_Event event {};
        event.type = wake_event_;
        SDL_PushEvent(&event);
    }

    platform::Result<Image> capture() override { return read_area(to_pixels(layout_.screen)); }

    // The panel shows with the next frame, or before the next wait.
    void show_status(const std::vector<std::string>& lines) override
    {
        if (lines == panel_lines_) return;
        panel_lines_ = lines;
        draw_panel();
    }

    platform::Result<Image> capture_panel() override { return read_area(to_pixels(layout_.panel)); }

    platform::Result<Image> capture_window() override
    {
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(renderer_, &width, &height);
        return read_area({0, 0, width, height});
    }

    bool interactive() const override { return true; }
    int frames_presented() const override { return frames_; }

private:
    void choose_scale()
    {
        int requested = std::max(1, options_.scale);
        scale_ = requested;
        SDL_Rect room {};
        if (!options_.fit_to_screen || SDL_GetDisplayUsableBounds(0, &room) != 0 || room.w <= 0 || room.h <= 0) return;
        scale_ = fit_window_scale(
            requested, layout_.window_width, layout_.window_height, room.w, room.h - title_bar_allowance);
        if (scale_ == requested || !options_.report) return;
        char scale_text[32];
        std::snprintf(scale_text, sizeof scale_text, "%g", scale_);
        options_.report("the window at scale " + std::to_string(requested) + " (" +
            std::to_string(layout_.window_width * requested) + " x " +
            std::to_string(layout_.window_height * requested) + ") does not fit the screen (" + std::to_string(room.w) +
            " x " + std::to_string(room.h) + "); shown at scale " + scale_text);
    }

    int to_pixels(int units) const { return int(std::lround(units * scale_)); }
    SDL_Rect to_pixels(const SkinRect& r) const
    {
        int x = to_pixels(r.x), y = to_pixels(r.y);
        return {x, y, to_pixels(r.x + r.width) - x, to_pixels(r.y + r.height) - y};
    }

    bool draw_skin()
    {
        Image skin = draw_phone_skin(layout_, scale_, held_key_);
        if (!skin_texture_)
            skin_texture_ = SDL_CreateTexture(
                renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, skin.width, skin.height);
        if (!skin_texture_) return false;
        SDL_UpdateTexture(skin_texture_, nullptr, skin.pixels.data(), skin.width * 4);
        return true;
    }

    // How long until the panel's own figures want it drawn again; nothing
    // while they rest.
    std::optional<int> ms_until_panel_refresh() const
    {
        auto now = Clock::now();
        std::optional<Clock::time_point> due;
        if (footer() != panel_footer_) due = panel_drawn_ + panel_refresh;
        if (auto change = stats_.next_change(now)) due = std::max(*change, panel_drawn_ + panel_refresh);
        if (!due) return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*due - now).count();
        return int(std::clamp<long long>(left + 1, 0, 1000));
    }

    std::vector<std::string> footer() const
    {
        std::string scale;
        if (scale_ != 1) {
            char text[32];
            std::snprintf(text, sizeof text, ", scale %g", scale_);
            scale = text;
        }
        std::vector<std::string> lines {"=WINDOW", stats_.text(Clock::now()) + scale};
        for (auto& line : window_key_legend()) lines.push_back(line);
        return lines;
    }

    void draw_panel()
    {
        SDL_Rect area = to_pixels(layout_.panel);
        panel_footer_ = footer();
        Image panel = draw_status_panel(panel_lines_, panel_footer_, area.w, area.h, scale_);
        SDL_UpdateTexture(panel_texture_, nullptr, panel.pixels.data(), panel.width * 4);
        panel_drawn_ = Clock::now();
        mark_changed(area);
    }

    // Draws the window again and reads an area of it back: what was
    // presented is gone from the back buffer.
    platform::Result<Image> read_area(SDL_Rect area)
    {
        render();
        Image image(area.w, area.h);
        bool read =
            SDL_RenderReadPixels(renderer_, &area, SDL_PIXELFORMAT_RGB888, image.pixels.data(), image.width * 4) == 0;
        SDL_RenderPresent(renderer_);
        changed_ = SDL_Rect {0, 0, 0, 0};
        if (!read) return failed("cannot read the window's pixels");
        for (auto& pixel : image.pixels) pixel &= 0xFFFFFF;
        return image;
    }

    static platform::Failure failed(const char* what)
    {
        return failure_at(backend_name, std::string(what) + ": " + SDL_GetError());
    }

    void render()
    {
        SDL_RenderCopy(renderer_, skin_texture_, nullptr, nullptr);
        SDL_Rect screen = to_pixels(layout_.screen);
        SDL_RenderCopy(renderer_, texture_, nullptr, &screen);
        SDL_Rect panel = to_pixels(layout_.panel);
        SDL_RenderCopy(renderer_, panel_texture_, nullptr, &panel);
    }

    SDL_Rect whole_window() const { return {0, 0, to_pixels(layout_.window_width), to_pixels(layout_.window_height)}; }

    // The window pixels a change to part of the phone's screen touches.
    SDL_Rect window_area_of(const SDL_Rect& phone_area) const
    {
        SDL_Rect screen = to_pixels(layout_.screen);
        // A fraction of a scale smooths each pixel into its neighbours, and
        // a part of the picture would not be sampled as the whole is: the
        // whole screen is drawn again.
        if (scale_ != std::floor(scale_)) return screen;
        int scale = int(scale_);
        return SDL_Rect {screen.x + phone_area.x * scale, screen.y + phone_area.y * scale, phone_area.w * scale,
            phone_area.h * scale};
    }

    void mark_changed(const SDL_Rect& area)
    {
        if (area.w <= 0 || area.h <= 0) return;
        if (changed_.w <= 0 || changed_.h <= 0)
            changed_ = area;
        else
            SDL_UnionRect(&changed_, &area, &changed_);
    }

    // Shows what changed since the window was last shown, once.
    void show()
    {
        if (changed_.w <= 0 || changed_.h <= 0) return;
        if (software_) {
            // The software renderer draws into the window's own pixels,
            // which keep what they showed: only the changed part is drawn
            // again and sent to the screen.
            SDL_RenderSetClipRect(renderer_, &changed_);
            render();
            SDL_RenderSetClipRect(renderer_, nullptr);
            SDL_RenderFlush(renderer_);
            SDL_UpdateWindowSurfaceRects(window_, &changed_, 1);
        } else {
            render();
            SDL_RenderPresent(renderer_);
        }
        changed_ = SDL_Rect {0, 0, 0, 0};
    }

    // The window point in units at scale 1.
    double units(int pixels) const { return pixels / scale_; }

    // The phone point under a window point, clamped to the screen for moves
    // and releases outside it (the finger slid off the edge).
    void to_phone(int window_x, int window_y, int& x, int& y) const
    {
        x = std::clamp(int(std::floor(units(window_x) - layout_.screen.x)), 0, phone_width - 1);
        y = std::clamp(int(std::floor(units(window_y) - layout_.screen.y)), 0, phone_height - 1);
    }

    bool on_phone(int window_x, int window_y) const
    {
        return layout_.screen.contains(units(window_x), units(window_y));
    }

    // All of the person's input passes here: the finger, the skin's keys
    // and the keyboard's. True when it gave the phone something.
    bool handle(const SDL_Event& event)
    {
        int x = 0, y = 0;
        switch (event.type) {
        case SDL_QUIT:
            person_acts();
            closed_ = true;
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                person_acts();
                closed_ = true;
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                mark_changed(whole_window());
                show();
            }
            return false;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button != SDL_BUTTON_LEFT || finger_down_ || held_key_) return false;
            if (on_phone(event.button.x, event.button.y)) {
                to_phone(event.button.x, event.button.y, x, y);
                finger_down_ = true;
                finger_start_ = {x, y};
                person_acts();
                options_.pointer(platform::user::PointerKind::down, x, y);
                return true;
            }
            if (auto key = skin_key_at(layout_, units(event.button.x), units(event.button.y))) hold_key(key);
            return false;
        case SDL_MOUSEMOTION:
            if (!finger_down_) return false;
            to_phone(event.motion.x, event.motion.y, x, y);
            person_acts();
            options_.pointer(platform::user::PointerKind::move, x, y);
            return true;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) return false;
            if (finger_down_) {
                to_phone(event.button.x, event.button.y, x, y);
                finger_down_ = false;
                person_acts();
                options_.pointer(platform::user::PointerKind::up, x, y);
                note_window_event(finger_event_text(finger_start_, {x, y}));
                return true;
            }
            if (auto key = held_key_) {
                hold_key(std::nullopt);
                // As on the device, a key acts when it is let go over it.
                if (skin_key_at(layout_, units(event.button.x), units(event.button.y)) == key) {
                    person_acts();
                    options_.key(*key);
                    return true;
                }
            }
            return false;
        case SDL_KEYDOWN:
            if (event.key.repeat) return false;
            if (event.key.keysym.sym == SDLK_F12) {
                save_screenshot((event.key.keysym.mod & KMOD_SHIFT) != 0);
            } else if (auto key = phone_key(event.key.keysym.sym, event.key.keysym.mod)) {
                person_acts();
                options_.key(*key);
                return true;
            }
            return false;
        default:
            // The wake event, among others: it only ends the wait.
            return false;
        }
    }

    void person_acts()
    {
        if (options_.before_input) options_.before_input();
    }

    void hold_key(std::optional<PhoneKey> key)
    {
        PhoneKey changed = key ? *key : *held_key_;
        held_key_ = key;
        // Only the key's own pixels change.
        SkinRect area = skin_key_pixels(layout_, changed, scale_);
        Image patch = draw_phone_skin(layout_, scale_, held_key_, area);
        SDL_Rect target {area.x, area.y, area.width, area.height};
        SDL_UpdateTexture(skin_texture_, &target, patch.pixels.data(), patch.width * 4);
        mark_changed(target);
        show();
    }

    // F12 keeps the phone's screen as the window shows it, as a script's
    // screenshot does; Shift+F12 the whole window, its keys and panel too.
    void save_screenshot(bool whole_window)
    {
        auto image = whole_window ? capture_window() : capture();
        std::string name = std::string(whole_window ? "velmor-window-" : "velmor-") +
            std::to_string(platform::clock::now()) + "ms-" + std::to_string(++screenshots_) + ".png";
        auto file = options_.screenshot_folder / name;
        platform::Result<void> saved = image ? write_png(file, *image) : platform::Result<void>(image.failure());
        if (saved) {
            note_window_event("screenshot " + name);
            if (options_.report) options_.report("screenshot saved to " + file.string());
        } else {
            note_window_event("screenshot failed");
            if (options_.report) options_.report("screenshot failed: " + saved.failure().text());
        }
    }

    DisplayOptions options_;
    SkinLayout layout_;
    double scale_ = 1;
    bool video_started_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Texture* skin_texture_ = nullptr;
    SDL_Texture* panel_texture_ = nullptr;
    std::vector<std::string> panel_lines_;
    std::vector<std::string> panel_footer_;
    Clock::time_point panel_drawn_ {};
    bool software_ = false;
    // What of the window (in its pixels) changed since it was last shown.
    SDL_Rect changed_ {0, 0, 0, 0};
    FrameStats stats_;
    std::optional<PhoneKey> held_key_;
    std::pair<int, int> finger_start_ {0, 0};
    bool closed_ = false;
    bool finger_down_ = false;
    int frames_ = 0;
    int screenshots_ = 0;
    Uint32 wake_event_ = Uint32(-1);
};

}  // namespace

platform::Result<std::unique_ptr<Display>> create_sdl_display(const DisplayOptions& options)
{
    auto display = std::make_unique<SdlDisplay>(options);
    if (auto started = display->start(); !started) return started.failure();
    return std::unique_ptr<Display>(std::move(display));
}

}  // namespace platform::host
