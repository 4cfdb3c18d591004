// Device contexts: what a drawing call draws on and with. A memory DC draws
// into the bitmap selected into it; the screen's DCs and window DCs draw
// straight into the screen's pixels, a window DC shifted to the window's
// origin and clipped to its visible region.
//
// This header is also the way in for the layers built on drawing: the window
// system makes window DCs here, and the text layer reads a DC's target, clip,
// colours and font from it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/drawing_objects.h"
#include "platform/gdi/region.h"

namespace platform::gdi {

enum class DcKind {
    memory,  // CreateCompatibleDC
    display,  // CreateDCW(L"DISPLAY")
    screen,  // GetDC(NULL)
    window,  // made by the window system
};

// What SaveDC keeps and RestoreDC brings back.
struct DcState {
    std::shared_ptr<Bitmap> bitmap;  // memory DCs only
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Pen> pen;
    std::shared_ptr<Font> font;
    COLORREF text_colour = RGB(0, 0, 0);
    COLORREF background_colour = RGB(255, 255, 255);
    int background_mode = OPAQUE;
    int stretch_mode = BLACKONWHITE;
    POINT position {0, 0};
    POINT brush_origin {0, 0};
    // In the DC's own coordinates; none means no clipping beyond the visible area.
    std::optional<Region> clip;
};

class DeviceContext : public GdiObject {
public:
    DeviceContext(DcKind kind, std::shared_ptr<Bitmap> target);
    ~DeviceContext() override;
    DWORD object_type() const override { return kind_ == DcKind::memory ? OBJ_MEMDC : OBJ_DC; }

    DcKind kind() const { return kind_; }
    Bitmap& target() const { return *target_; }
    const std::shared_ptr<Bitmap>& target_ptr() const { return target_; }
    // Where the DC's (0, 0) lies on the target.
    POINT origin() const { return origin_; }

    const DcState& state() const { return state_; }
    COLORREF text_colour() const { return state_.text_colour; }
    COLORREF background_colour() const { return state_.background_colour; }
    int background_mode() const { return state_.background_mode; }
    const LOGFONTW& font() const { return state_.font->description(); }

    // The pixels drawing may touch, in target coordinates: the target's
    // bounds, the visible region and the clip region together.
    const Region& drawable();

    // Window DCs: the origin and visible region (target coordinates) change
    // as windows move and paint.
    void set_visible(POINT origin, std::optional<Region> visible);

    // Selection; each returns the previously selected object, null on failure.
    std::shared_ptr<Bitmap> select_bitmap(std::shared_ptr<Bitmap> bitmap);
    std::shared_ptr<Brush> select_brush(std::shared_ptr<Brush> brush);
    std::shared_ptr<Pen> select_pen(std::shared_ptr<Pen> pen);
    std::shared_ptr<Font> select_font(std::shared_ptr<Font> font);

    void set_text_colour(COLORREF colour) { state_.text_colour = colour; }
    void set_background_colour(COLORREF colour) { state_.background_colour = colour; }
    void set_background_mode(int mode) { state_.background_mode = mode; }
    void set_stretch_mode(int mode) { state_.stretch_mode = mode; }
    void set_position(POINT point) { state_.position = point; }
    void set_brush_origin(POINT point) { state_.brush_origin = point; }
    void set_clip(std::optional<Region> clip);

    int save();
    bool restore(int level);

    // Tells the target's watchers which part changed (DC coordinates are
    // turned into target coordinates by the caller).
    void changed(const RECT& target_area) const { target_->changed(target_area); }

private:
    void claim(Bitmap& bitmap);
    void hold(const std::shared_ptr<GdiObject>& object);
    void release(const std::shared_ptr<GdiObject>& object);
    // Puts object into slot with the selection counts kept right; hands back
    // what the slot held (null, and nothing changes, for a null object).
    template <class Object>
    std::shared_ptr<Object> replace_selected(std::shared_ptr<Object>& slot, std::shared_ptr<Object> object);
    void hold_state(const DcState& state);
    void release_state(const DcState& state);

    DcKind kind_;
    std::shared_ptr<Bitmap> target_;
    POINT origin_ {0, 0};
    std::optional<Region> visible_;
    DcState state_;
    std::vector<DcState> saved_;
    Region drawable_;
    bool drawable_valid_ = false;
};

std::shared_ptr<DeviceContext> find_dc(HDC hdc);

// A DC on the screen for a window whose client area starts at origin
// (screen coordinates) and may draw only inside visible (screen coordinates).
// ReleaseDC or DeleteDC frees it.
HDC create_window_dc(POINT origin, const Region& visible);
bool set_window_dc_visible(HDC hdc, POINT origin, const Region& visible);

// GetDC of a window asks the window system; without one, only GetDC(NULL)
// succeeds.
using WindowDcProvider = std::function<HDC(HWND)>;
void set_window_dc_provider(WindowDcProvider provider);

// The device capabilities every DC reports: the phone's display.
constexpr int logical_dots_per_inch = 192;

}  // namespace platform::gdi
