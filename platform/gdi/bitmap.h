// Bitmaps: device-dependent bitmaps (CreateBitmap, CreateCompatibleBitmap) and
// DIB sections whose pixels the caller also reaches directly. All keep their
// rows four-byte aligned internally so the compositing library can work on
// them in place; the phone-visible row sizes are reported as the phone does.
#pragma once

#include <pixman.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/gdi_object.h"
#include "platform/gdi/pixel_format.h"

namespace platform::gdi {

class Bitmap : public GdiObject {
public:
    // A zero-filled bitmap, or null when the size is negative or too large.
    static std::shared_ptr<Bitmap> create(PixelFormat format, int width, int height, bool bottom_up = false);

    DWORD object_type() const override { return OBJ_BITMAP; }
    int describe(int size, void* buffer) const override;

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat format() const { return format_; }
    // Row y counted from the top; stride() steps from one row to the next
    // below it (negative for bottom-up DIB sections).
    std::uint8_t* row(int y) const { return top_row_ + stride_ * y; }
    std::int64_t stride() const { return stride_; }
    // The pixels as a DIB section's caller sees them: the first row in memory.
    std::uint8_t* bits() const { return storage_.get(); }

    // DIB sections carry the header they were made from.
    bool is_dib() const { return is_dib_; }
    void make_dib(const BITMAPINFOHEADER& header, const DWORD masks[3]);

    // The DC the bitmap is selected into; a bitmap is in at most one.
    const void* selected_into() const { return selected_into_; }
    void set_selected_into(const void* dc) { selected_into_ = dc; }

    // Called after every drawing operation with the area it changed, so the
    // screen can tell its display what to present.
    void set_change_hook(std::function<void(const RECT&)> hook) { change_hook_ = std::move(hook); }
    void changed(const RECT& area) const
    {
        if (change_hook_ && area.left < area.right && area.top < area.bottom) change_hook_(area);
    }

    // A compositing image over the pixels (null for monochrome bitmaps). For
    // 32-bit bitmaps, with_alpha says whether the fourth byte is alpha or
    // ignored. The caller releases it with pixman_image_unref.
    pixman_image_t* pixman_image(bool with_alpha) const;

private:
    Bitmap() = default;

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::mono1;
    std::int64_t stride_ = 0;
    struct FreeStorage {
        void operator()(std::uint8_t* bits) const { std::free(bits); }
    };
    std::unique_ptr<std::uint8_t[], FreeStorage> storage_;
    std::uint8_t* top_row_ = nullptr;
    bool is_dib_ = false;
    BITMAPINFOHEADER header_ {};
    DWORD masks_[3] {};
    const void* selected_into_ = nullptr;
    std::function<void(const RECT&)> change_hook_;
};

// The 1 x 1 monochrome bitmap every new memory DC holds.
HBITMAP default_bitmap();

// Rows as the phone's interface exchanges them for bitmaps that are not DIB
// sections: padded to 16 bits.
std::int64_t ddb_stride(PixelFormat format, int width);

}  // namespace platform::gdi
