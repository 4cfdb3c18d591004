// The window a person watches: an SDL2 window with the phone's screen,
// scaled by a whole number, and the status panel beside it (sensors, shell,
// sound, last events). The mouse is the finger; keys stand for the phone's
// hardware keys and the world around it; F12 saves what the window shows of
// the phone.

#include <SDL.h>

#include <algorithm>

#include "platform/gdi/screen.h"
#include "platform/host/display_backend.h"
#include "platform/host/status_panel.h"
#include "platform/kernel/clock.h"

namespace platform::host {
namespace {

constexpr int phone_width = platform::gdi::Screen::width;
constexpr int phone_height = platform::gdi::Screen::height;
constexpr int panel_width = status_panel_width;

// The window keys and what they stand for.
std::optional<PhoneKey> phone_key(SDL_Keycode key)
{
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

class SdlDisplay final : public Display {
public:
    explicit SdlDisplay(const DisplayOptions& options)
        : options_(options)
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
        if (panel_texture_) SDL_DestroyTexture(panel_texture_);
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        if (video_started_) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            // Nothing else in the phone uses SDL once its last subsystem is
            // down, so everything it holds can go.
            if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
        }
    }

    bool start(std::string* error)
    {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return failed(error, "cannot start SDL's video");
        video_started_ = true;
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        int scale = options_.scale;
        window_ = SDL_CreateWindow("Velmor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
            (phone_width + panel_width) * scale, phone_height * scale, SDL_WINDOW_SHOWN);
        if (!window_) return failed(error, "cannot open the window");
        // One 480 x 720 picture a frame needs no GPU; the software renderer
        // starts at once and brings no GL driver threads into the process.
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) return failed(error, "cannot draw into the window");
        texture_ = SDL_CreateTexture(
            renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, phone_width, phone_height);
        if (!texture_) return failed(error, "cannot make the screen's texture");
        std::vector<std::uint32_t> black(std::size_t(phone_width) * phone_height, 0);
        SDL_UpdateTexture(texture_, nullptr, black.data(), phone_width * 4);
        panel_texture_ = SDL_CreateTexture(
            renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, panel_width, phone_height);
        if (!panel_texture_) return failed(error, "cannot make the status panel's texture");
        Image empty_panel = draw_status_panel({}, phone_height);
        SDL_UpdateTexture(panel_texture_, nullptr, empty_panel.pixels.data(), panel_width * 4);
        render();
        SDL_RenderPresent(renderer_);
        return true;
    }

    void present(const std::vector<std::uint32_t>& pixels, const RECT& damage) override
    {
        if (pixels.size() != std::size_t(phone_width) * phone_height) return;
        SDL_Rect area {0, 0, phone_width, phone_height};
        if (damage.right > damage.left && damage.bottom > damage.top) {
            area.x = std::clamp<int>(damage.left, 0, phone_width);
            area.y = std::clamp<int>(damage.top, 0, phone_height);
            area.w = std::clamp<int>(damage.right, 0, phone_width) - area.x;
            area.h = std::clamp<int>(damage.bottom, 0, phone_height) - area.y;
            if (area.w <= 0 || area.h <= 0) return;
        }
        const std::uint32_t* first = pixels.data() + std::size_t(area.y) * phone_width + area.x;
        SDL_UpdateTexture(texture_, &area, first, phone_width * 4);
        render();
        SDL_RenderPresent(renderer_);
        ++frames_;
    }

    bool pump_events(int wait_ms) override
    {
        SDL_Event event;
        bool have = wait_ms > 0 ? SDL_WaitEventTimeout(&event, wait_ms) != 0 : SDL_PollEvent(&event) != 0;
        while (have) {
            handle(event);
            have = SDL_PollEvent(&event) != 0;
        }
        return !closed_;
    }

    std::optional<Image> capture(std::string* error) override
    {
        return read_area({0, 0, phone_width * options_.scale, phone_height * options_.scale}, error);
    }

    void show_status(const std::vector<std::string>& lines) override
    {
        if (lines == panel_lines_) return;
        panel_lines_ = lines;
        Image panel = draw_status_panel(lines, phone_height);
        SDL_UpdateTexture(panel_texture_, nullptr, panel.pixels.data(), panel_width * 4);
        render();
        SDL_RenderPresent(renderer_);
    }

    std::optional<Image> capture_panel(std::string* error) override { return read_area(panel_area(), error); }

    bool interactive() const override { return true; }
    int frames_presented() const override { return frames_; }

private:
    // Draws the window again and reads an area of it back: what was
    // presented is gone from the back buffer.
    std::optional<Image> read_area(SDL_Rect area, std::string* error)
    {
        render();
        Image image(area.w, area.h);
        bool read =
            SDL_RenderReadPixels(renderer_, &area, SDL_PIXELFORMAT_RGB888, image.pixels.data(), image.width * 4) == 0;
        SDL_RenderPresent(renderer_);
        if (!read) {
            failed(error, "cannot read the window's pixels");
            return std::nullopt;
        }
        for (auto& pixel : image.pixels) pixel &= 0xFFFFFF;
        return image;
    }

    bool failed(std::string* error, const char* what)
    {
        if (error) *error = std::string(what) + ": " + SDL_GetError();
        return false;
    }

    void render()
    {
        int scale = options_.scale;
        SDL_SetRenderDrawColor(renderer_, 0x20, 0x22, 0x26, 0xFF);
        SDL_RenderClear(renderer_);
        SDL_Rect phone {0, 0, phone_width * scale, phone_height * scale};
        SDL_RenderCopy(renderer_, texture_, nullptr, &phone);
        // The panel starts after the edge, so its last column is left out.
        SDL_Rect panel = panel_area();
        SDL_Rect panel_source {0, 0, panel_width - 1, phone_height};
        SDL_RenderCopy(renderer_, panel_texture_, &panel_source, &panel);
        // The edge between the phone and its status panel.
        SDL_SetRenderDrawColor(renderer_, 0x50, 0x54, 0x5C, 0xFF);
        SDL_Rect edge {phone_width * scale, 0, scale, phone_height * scale};
        SDL_RenderFillRect(renderer_, &edge);
    }

    SDL_Rect panel_area() const
    {
        int scale = options_.scale;
        return SDL_Rect {(phone_width + 1) * scale, 0, (panel_width - 1) * scale, phone_height * scale};
    }

    // The phone point under a window point, clamped to the screen for moves
    // and releases outside it (the finger slid off the edge).
    void to_phone(int window_x, int window_y, int& x, int& y) const
    {
        x = std::clamp(window_x / options_.scale, 0, phone_width - 1);
        y = std::clamp(window_y / options_.scale, 0, phone_height - 1);
    }

    bool on_phone(int window_x, int window_y) const
    {
        return window_x >= 0 && window_y >= 0 && window_x < phone_width * options_.scale &&
            window_y < phone_height * options_.scale;
    }

    void handle(const SDL_Event& event)
    {
        int x = 0, y = 0;
        switch (event.type) {
        case SDL_QUIT:
            closed_ = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) closed_ = true;
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                render();
                SDL_RenderPresent(renderer_);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button != SDL_BUTTON_LEFT || finger_down_) break;
            if (!on_phone(event.button.x, event.button.y)) break;
            to_phone(event.button.x, event.button.y, x, y);
            finger_down_ = true;
            options_.pointer(platform::user::PointerKind::down, x, y);
            break;
        case SDL_MOUSEMOTION:
            if (!finger_down_) break;
            to_phone(event.motion.x, event.motion.y, x, y);
            options_.pointer(platform::user::PointerKind::move, x, y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT || !finger_down_) break;
            to_phone(event.button.x, event.button.y, x, y);
            finger_down_ = false;
            options_.pointer(platform::user::PointerKind::up, x, y);
            break;
        case SDL_KEYDOWN:
            if (event.key.repeat) break;
            if (event.key.keysym.sym == SDLK_F12) {
                save_screenshot();
            } else if (auto key = phone_key(event.key.keysym.sym)) {
                options_.key(*key);
            }
            break;
        default:
            break;
        }
    }

    void save_screenshot()
    {
        std::string error;
        auto image = capture(&error);
        auto file = options_.screenshot_folder /
            ("velmor-" + std::to_string(platform::clock::now()) + "ms-" + std::to_string(++screenshots_) + ".png");
        if (image && write_png(file, *image, &error)) {
            if (options_.report) options_.report("screenshot saved to " + file.string());
        } else if (options_.report) {
            options_.report("screenshot failed: " + error);
        }
    }

    DisplayOptions options_;
    bool video_started_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Texture* panel_texture_ = nullptr;
    std::vector<std::string> panel_lines_;
    bool closed_ = false;
    bool finger_down_ = false;
    int frames_ = 0;
    int screenshots_ = 0;
};

}  // namespace

std::unique_ptr<Display> create_sdl_display(const DisplayOptions& options, std::string* error)
{
    auto display = std::make_unique<SdlDisplay>(options);
    if (!display->start(error)) return nullptr;
    return display;
}

}  // namespace platform::host
