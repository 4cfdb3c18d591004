#include "image_encoding.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace imaging_test {

namespace {

void put32(Bytes& out, std::uint32_t v)
{
    for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(Bytes& out, const char* type, const Bytes& body)
{
    put32(out, static_cast<std::uint32_t>(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(out, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

}  // namespace

Bytes encode_png(const PngPicture& picture)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, picture.width);
    put32(header, picture.height);
    header.insert(header.end(), {picture.depth, picture.colour, 0, 0, 0});
    chunk(out, "IHDR", header);
    if (picture.pixels_per_metre) {
        Bytes physical;
        put32(physical, picture.pixels_per_metre);
        put32(physical, picture.pixels_per_metre);
        physical.push_back(1);
        chunk(out, "pHYs", physical);
    }
    if (!picture.palette.empty()) chunk(out, "PLTE", picture.palette);
    if (!picture.transparency.empty()) chunk(out, "tRNS", picture.transparency);
    Bytes raw;
    for (const Bytes& row : picture.rows) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        throw std::runtime_error("zlib failed");
    packed.resize(packed_size);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", {});
    return out;
}

Bytes png_from_argb(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& argb)
{
    PngPicture picture {width, height, rgba, 8, {}, {}, {}, 0};
    for (std::uint32_t y = 0; y < height; ++y) {
        Bytes row;
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t p = argb[y * width + x];
            row.insert(
                row.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), std::uint8_t(p >> 24)});
        }
        picture.rows.push_back(row);
    }
    return encode_png(picture);
}

Bytes png_from_rgb(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& rgb)
{
    PngPicture picture {width, height, PngColour::rgb, 8, {}, {}, {}, 0};
    for (std::uint32_t y = 0; y < height; ++y) {
        Bytes row;
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t p = rgb[y * width + x];
            row.insert(row.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
        }
        picture.rows.push_back(row);
    }
    return encode_png(picture);
}

Bytes encode_jpeg(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& rgb, JpegKind kind,
    int quality, int dots_per_inch)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);  // test pictures are well formed; libjpeg exits on misuse
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    int components = kind == JpegKind::grey ? 1 : kind == JpegKind::cmyk_adobe ? 4 : 3;
    info.input_components = components;
    info.in_color_space = kind == JpegKind::grey ? JCS_GRAYSCALE : kind == JpegKind::cmyk_adobe ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (kind == JpegKind::progressive) jpeg_simple_progression(&info);
    if (dots_per_inch) {
        info.density_unit = 1;
        info.X_density = static_cast<UINT16>(dots_per_inch);
        info.Y_density = static_cast<UINT16>(dots_per_inch);
    }
    // Full-resolution chroma keeps small test colours exact enough to check.
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    Bytes row(static_cast<std::size_t>(width) * static_cast<std::size_t>(components));
    while (info.next_scanline < height) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t p = rgb[info.next_scanline * width + x];
            std::uint8_t r = std::uint8_t(p >> 16), g = std::uint8_t(p >> 8), b = std::uint8_t(p);
            std::uint8_t* out = &row[static_cast<std::size_t>(x) * static_cast<std::size_t>(components)];
            if (kind == JpegKind::grey) {
                out[0] = g;
            } else if (kind == JpegKind::cmyk_adobe) {
                // Inverted ink with no black: the stored values are the colour itself.
                out[0] = r;
                out[1] = g;
                out[2] = b;
                out[3] = 255;
            } else {
                out[0] = r;
                out[1] = g;
                out[2] = b;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

}  // namespace imaging_test
