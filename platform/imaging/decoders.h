// The codecs behind CreateImageFromBuffer: PNG through libpng and JPEG
// through libjpeg-turbo, chosen by the data's signature. Both decode the
// whole picture at once, so a damaged or truncated file is refused when the
// image is created rather than half drawn later.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/imaging/pixels.h"

namespace platform::imaging {

struct Picture {
    GUID raw_format = ImageFormatUndefined;
    std::unique_ptr<Pixels> pixels;
    double x_dpi = 96.0;
    double y_dpi = 96.0;
    UINT flags = ImageFlagsNone;  // ImageFlags* describing the source
};

// S_OK with the picture filled in; IMGERR_CODECNOTFOUND for data of no
// known format; E_FAIL for damaged or truncated data; E_OUTOFMEMORY for a
// picture over the size limits. why says what was wrong for the log.
HRESULT decode_picture(std::span<const std::uint8_t> data, Picture& picture, std::string& why);

HRESULT decode_png(std::span<const std::uint8_t> data, Picture& picture, std::string& why);
HRESULT decode_jpeg(std::span<const std::uint8_t> data, Picture& picture, std::string& why);

bool is_png(std::span<const std::uint8_t> data);
bool is_jpeg(std::span<const std::uint8_t> data);

}  // namespace platform::imaging
