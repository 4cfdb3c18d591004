#include "platform/gdi/dc.h"

#include <mutex>

#include "platform/gdi/screen.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace platform::gdi {

DeviceContext::DeviceContext(DcKind kind, std::shared_ptr<Bitmap> target)
    : kind_(kind)
    , target_(std::move(target))
{
    state_.brush = find_object_as<Brush>(default_brush());
    state_.pen = find_object_as<Pen>(default_pen());
    state_.font = find_object_as<Font>(default_font());
    if (kind_ == DcKind::memory) {
        state_.bitmap = target_;
        claim(*target_);
    }
    hold_state(state_);
}

DeviceContext::~DeviceContext()
{
    for (auto& saved : saved_) release_state(saved);
    release_state(state_);
}

void DeviceContext::claim(Bitmap& bitmap)
{
    // The empty stock bitmap sits in every fresh memory DC at once.
    if (!bitmap.is_stock()) bitmap.set_selected_into(this);
}

void DeviceContext::hold(const std::shared_ptr<GdiObject>& object)
{
    if (object) object->add_selection();
}

void DeviceContext::release(const std::shared_ptr<GdiObject>& object)
{
    if (!object) return;
    object->remove_selection();
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object); bitmap && bitmap->selection_count() == 0)
        bitmap->set_selected_into(nullptr);
}

void DeviceContext::hold_state(const DcState& state)
{
    hold(state.bitmap);
    hold(state.brush);
    hold(state.pen);
    hold(state.font);
}

void DeviceContext::release_state(const DcState& state)
{
    release(state.bitmap);
    release(state.brush);
    release(state.pen);
    release(state.font);
}

const Region& DeviceContext::drawable()
{
    if (!drawable_valid_) {
        drawable_.set_rect(RECT {0, 0, target_->width(), target_->height()});
        if (visible_) drawable_.intersect(*visible_);
        if (state_.clip) {
            Region clip(*state_.clip);
            clip.offset(origin_.x, origin_.y);
            drawable_.intersect(clip);
        }
        drawable_valid_ = true;
    }
    return drawable_;
}

void DeviceContext::set_visible(POINT origin, std::optional<Region> visible)
{
    origin_ = origin;
    visible_ = std::move(visible);
    drawable_valid_ = false;
}

void DeviceContext::set_clip(std::optional<Region> clip)
{
    state_.clip = std::move(clip);
    drawable_valid_ = false;
}

std::shared_ptr<Bitmap> DeviceContext::select_bitmap(std::shared_ptr<Bitmap> bitmap)
{
    // Only memory DCs own their pixels; a bitmap draws in one DC at a time.
    if (kind_ != DcKind::memory || !bitmap) return nullptr;
    if (!bitmap->is_stock() && bitmap->selected_into() && bitmap->selected_into() != this) return nullptr;
    auto previous = state_.bitmap;
    hold(bitmap);
    claim(*bitmap);
    release(previous);
    state_.bitmap = bitmap;
    target_ = bitmap;
    drawable_valid_ = false;
    return previous;
}

template <class Object>
std::shared_ptr<Object> DeviceContext::replace_selected(std::shared_ptr<Object>& slot, std::shared_ptr<Object> object)
{
    if (!object) return nullptr;
    auto previous = slot;
    hold(object);
    release(previous);
    slot = std::move(object);
    return previous;
}

std::shared_ptr<Brush> DeviceContext::select_brush(std::shared_ptr<Brush> brush)
{
    return replace_selected(state_.brush, std::move(brush));
}

std::shared_ptr<Pen> DeviceContext::select_pen(std::shared_ptr<Pen> pen)
{
    return replace_selected(state_.pen, std::move(pen));
}

std::shared_ptr<Font> DeviceContext::select_font(std::shared_ptr<Font> font)
{
    return replace_selected(state_.font, std::move(font));
}

int DeviceContext::save()
{
    hold_state(state_);
    saved_.push_back(state_);
    return static_cast<int>(saved_.size());
}

bool DeviceContext::restore(int level)
{
    int count = static_cast<int>(saved_.size());
    // Negative levels count back from the latest save.
    if (level < 0) level = count + 1 + level;
    if (level < 1 || level > count) return false;
    release_state(state_);
    state_ = saved_[static_cast<std::size_t>(level - 1)];
    for (int i = level; i < count; ++i) release_state(saved_[static_cast<std::size_t>(i)]);
    // The restored state keeps the hold its saved copy had.
    saved_.resize(static_cast<std::size_t>(level - 1));
    if (kind_ == DcKind::memory) {
        target_ = state_.bitmap;
        claim(*target_);
    }
    drawable_valid_ = false;
    return true;
}

std::shared_ptr<DeviceContext> find_dc(HDC hdc) { return find_object_as<DeviceContext>(hdc); }

namespace {

std::mutex provider_mutex;
WindowDcProvider window_provider;

HDC insert_dc(DcKind kind, std::shared_ptr<Bitmap> target)
{
    return to_handle<HDC>(insert_object(std::make_shared<DeviceContext>(kind, std::move(target))));
}

std::shared_ptr<DeviceContext> dc_or_error(HDC hdc)
{
    auto dc = find_dc(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

// The pixel format a bitmap compatible with this DC gets.
PixelFormat compatible_format(const DeviceContext& dc) { return dc.target().format(); }

}  // namespace

HDC create_window_dc(POINT origin, const Region& visible)
{
    HDC hdc = insert_dc(DcKind::window, screen().bitmap());
    find_dc(hdc)->set_visible(origin, visible);
    return hdc;
}

bool set_window_dc_visible(HDC hdc, POINT origin, const Region& visible)
{
    auto dc = find_dc(hdc);
    if (!dc || dc->kind() != DcKind::window) return false;
    dc->set_visible(origin, visible);
    return true;
}

void set_window_dc_provider(WindowDcProvider provider)
{
    std::lock_guard lock(provider_mutex);
    window_provider = std::move(provider);
}

}  // namespace platform::gdi

using namespace platform::gdi;

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !dc_or_error(hdc)) return nullptr;
    // Every DC here is compatible with the screen; the DC's own format only
    // decides CreateCompatibleBitmap, which follows the selected bitmap.
    auto bitmap = find_object_as<Bitmap>(default_bitmap());
    return to_handle<HDC>(insert_object(std::make_shared<DeviceContext>(DcKind::memory, bitmap)));
}

HDC CreateDCW(LPCWSTR lpszDriver, LPCWSTR lpszDevice, LPCWSTR lpszOutput, const DEVMODEW* lpInitData)
{
    (void)lpszOutput;
    (void)lpInitData;
    std::u16string name(platform::text_view(lpszDriver ? lpszDriver : lpszDevice));
    for (auto& c : name)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (name != u"DISPLAY") {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return insert_dc(DcKind::display, screen().bitmap());
}

BOOL DeleteDC(HDC hdc)
{
    if (!dc_or_error(hdc)) return FALSE;
    remove_object(hdc);
    return TRUE;
}

HDC GetDC(HWND hWnd)
{
    if (!hWnd) return insert_dc(DcKind::screen, screen().bitmap());
    WindowDcProvider provider;
    {
        std::lock_guard lock(provider_mutex);
        provider = window_provider;
    }
    if (!provider) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return provider(hWnd);
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    (void)hWnd;
    auto dc = find_dc(hDC);
    // Only DCs handed out by GetDC go back this way.
    if (!dc || (dc->kind() != DcKind::screen && dc->kind() != DcKind::window)) return 0;
    remove_object(hDC);
    return 1;
}

int SaveDC(HDC hdc)
{
    auto dc = dc_or_error(hdc);
    return dc ? dc->save() : 0;
}

BOOL RestoreDC(HDC hdc, int nSavedDC)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return FALSE;
    if (!dc->restore(nSavedDC)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int nIndex)
{
    if (!dc_or_error(hdc)) return 0;
    switch (nIndex) {
    case DRIVERVERSION:
        return 0x0400;
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZSIZE:  // millimetres
        return (Screen::width * 254 + logical_dots_per_inch * 5) / (logical_dots_per_inch * 10);
    case VERTSIZE:
        return (Screen::height * 254 + logical_dots_per_inch * 5) / (logical_dots_per_inch * 10);
    case HORZRES:
        return Screen::width;
    case VERTRES:
        return Screen::height;
    case BITSPIXEL:
        return 16;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case ASPECTX:
    case ASPECTY:
        return 36;
    case ASPECTXY:
        return 51;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return logical_dots_per_inch;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case SHADEBLENDCAPS:
        return SB_CONST_ALPHA | SB_PIXEL_ALPHA | SB_PREMULT_ALPHA | SB_GRAD_RECT;
    case COLORRES:
        return 16;
    default:
        return 0;
    }
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return nullptr;
    if (cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (cx == 0 || cy == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
    auto bitmap = Bitmap::create(compatible_format(*dc), cx, cy);
    if (!bitmap) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return to_handle<HBITMAP>(insert_object(bitmap));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return nullptr;
    auto object = find_object(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::shared_ptr<GdiObject> previous;
    switch (object->object_type()) {
    case OBJ_BITMAP:
        previous = dc->select_bitmap(std::static_pointer_cast<Bitmap>(object));
        break;
    case OBJ_BRUSH:
        previous = dc->select_brush(std::static_pointer_cast<Brush>(object));
        break;
    case OBJ_PEN:
        previous = dc->select_pen(std::static_pointer_cast<Pen>(object));
        break;
    case OBJ_FONT:
        previous = dc->select_font(std::static_pointer_cast<Font>(object));
        break;
    case OBJ_REGION:
        // A region is copied in as the clip region; the result is its kind.
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(SelectClipRgn(hdc, static_cast<HRGN>(h))));
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!previous) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return to_handle<HGDIOBJ>(previous->handle());
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return nullptr;
    const DcState& state = dc->state();
    switch (type) {
    case OBJ_BITMAP:
        return dc->kind() == DcKind::memory ? handle_of<HGDIOBJ>(state.bitmap) : nullptr;
    case OBJ_BRUSH:
        return handle_of<HGDIOBJ>(state.brush);
    case OBJ_PEN:
        return handle_of<HGDIOBJ>(state.pen);
    case OBJ_FONT:
        return handle_of<HGDIOBJ>(state.font);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->text_colour();
    dc->set_text_colour(color);
    return previous;
}

COLORREF GetTextColor(HDC hdc)
{
    auto dc = dc_or_error(hdc);
    return dc ? dc->text_colour() : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->background_colour();
    dc->set_background_colour(color);
    return previous;
}

COLORREF GetBkColor(HDC hdc)
{
    auto dc = dc_or_error(hdc);
    return dc ? dc->background_colour() : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->background_mode();
    dc->set_background_mode(mode);
    return previous;
}

int GetBkMode(HDC hdc)
{
    auto dc = dc_or_error(hdc);
    return dc ? dc->background_mode() : 0;
}

int SetStretchBltMode(HDC hdc, int mode)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return 0;
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->state().stretch_mode;
    dc->set_stretch_mode(mode);
    return previous;
}

int GetStretchBltMode(HDC hdc)
{
    auto dc = dc_or_error(hdc);
    return dc ? dc->state().stretch_mode : 0;
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state().brush_origin;
    dc->set_brush_origin(POINT {x, y});
    return TRUE;
}

BOOL GetBrushOrgEx(HDC hdc, LPPOINT lppt)
{
    auto dc = dc_or_error(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = dc->state().brush_origin;
    return TRUE;
}
