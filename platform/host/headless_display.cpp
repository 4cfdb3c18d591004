// The headless display: the screen stays in memory and each presentation is
// only counted and kept, so tests, recordings and machines without a
// display run the phone exactly as a window would, only unseen.

#include <mutex>

#include "platform/gdi/screen.h"
#include "platform/host/display_backend.h"

namespace platform::host {
namespace {

class HeadlessDisplay final : public Display {
public:
    void present(const platform::gdi::ScreenFrame& frame, const RECT&) override
    {
        // Kept as it came: widened to colours only if someone looks at it.
        std::lock_guard lock(mutex_);
        last_ = frame;
        ++frames_;
    }

    bool pump_events(int) override { return true; }

    platform::Result<Image> capture() override
    {
        Image image;
        image.width = platform::gdi::Screen::width;
        image.height = platform::gdi::Screen::height;
        std::lock_guard lock(mutex_);
        // Before the first presentation the display shows what the screen holds.
        image.pixels = last_.empty() ? platform::gdi::screen().read_xrgb() : last_.xrgb();
        return image;
    }

    bool interactive() const override { return false; }

    int frames_presented() const override
    {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    mutable std::mutex mutex_;
    platform::gdi::ScreenFrame last_;
    int frames_ = 0;
};

}  // namespace

platform::Result<std::unique_ptr<Display>> create_headless_display(const DisplayOptions&)
{
    return std::unique_ptr<Display>(std::make_unique<HeadlessDisplay>());
}

const std::vector<DisplayBackend>& display_backends()
{
    static const std::vector<DisplayBackend> backends = {
        {"headless", "the screen in memory, frames counted and recorded", create_headless_display},
        {"sdl", "an SDL2 window; the mouse is the finger", create_sdl_display},
    };
    return backends;
}

const DisplayBackend* find_display_backend(const std::string& name)
{
    for (const auto& backend : display_backends())
        if (name == backend.name) return &backend;
    return nullptr;
}

}  // namespace platform::host
