#include "platform/imaging/decoders.h"

namespace platform::imaging {

bool is_png(std::span<const std::uint8_t> data)
{
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < sizeof signature) return false;
    for (std::size_t i = 0; i < sizeof signature; ++i)
        if (data[i] != signature[i]) return false;
    return true;
}

bool is_jpeg(std::span<const std::uint8_t> data)
{
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

HRESULT decode_picture(std::span<const std::uint8_t> data, Picture& picture, std::string& why)
{
    if (is_png(data)) return decode_png(data, picture, why);
    if (is_jpeg(data)) return decode_jpeg(data, picture, why);
    why = "not a PNG or JPEG picture";
    return IMGERR_CODECNOTFOUND;
}

}  // namespace platform::imaging
