#include "platform/text/font_instance.h"

#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::text {
namespace {

// Rendered glyphs kept per font before the cache starts over; a screenful of
// Chinese text uses a few hundred.
constexpr std::size_t glyph_cache_limit = 4096;

int normal_escapement(int escapement) { return ((escapement % 3600) + 3600) % 3600; }

}  // namespace

std::unique_ptr<FontInstance> FontInstance::open(FT_Library library, const FaceFile& file, long logical_height)
{
    std::unique_ptr<FontInstance> font(new FontInstance);
    font->file_ = file;
    if (FT_New_Face(library, file.path.c_str(), file.index, &font->face_) != 0) {
        font->face_ = nullptr;
        return nullptr;
    }
    FT_Face face = font->face_;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);

    // The cell of the phone's font engine: the face's Windows ascent and
    // descent, which cover every glyph it has.
    double cell_ascent = face->ascender, cell_descent = -face->descender;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        cell_ascent = os2->usWinAscent;
        cell_descent = os2->usWinDescent;
    }
    if (cell_ascent + cell_descent <= 0) {
        cell_ascent = face->units_per_EM * 0.8;
        cell_descent = face->units_per_EM * 0.2;
    }
    double em = face->units_per_EM;

    // Work in a wide type: -LONG_MIN does not fit a LONG.
    double requested = static_cast<double>(logical_height);
    bool cell_requested = requested > 0;
    double char_height = default_char_height;
    if (requested < 0)
        char_height = -requested;
    else if (requested > 0)
        char_height = requested * em / (cell_ascent + cell_descent);
    if (char_height > max_char_height) {
        char_height = max_char_height;
        cell_requested = false;
    }
    char_height = std::max(char_height, 1.0);
    font->char_height_ = char_height;
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(char_height * 64)), 72, 72) != 0) return nullptr;

    double scale = char_height / em;
    FontMetrics& m = font->metrics_;
    m.ascent = static_cast<int>(std::lround(cell_ascent * scale));
    m.descent =
        cell_requested ? static_cast<int>(requested) - m.ascent : static_cast<int>(std::lround(cell_descent * scale));
    m.descent = std::max(m.descent, 0);
    m.height = m.ascent + m.descent;
    m.internal_leading = std::max(0, m.height - static_cast<int>(std::lround(char_height)));
    m.max_char_width = static_cast<int>(std::lround(face->max_advance_width * scale));

    // FreeType gives the centre of the underline stem; the phone draws it
    // from its top edge, inside the descent.
    m.underline_thickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    double underline_centre = -face->underline_position * scale;
    m.underline_offset = std::max(0, static_cast<int>(std::lround(underline_centre - m.underline_thickness / 2.0)));
    if (m.underline_offset + m.underline_thickness > m.descent)
        m.underline_offset = std::max(0, m.descent - m.underline_thickness);

    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        m.strikeout_thickness = std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale)));
        m.strikeout_offset = static_cast<int>(std::lround(os2->yStrikeoutPosition * scale));
    } else {
        m.strikeout_thickness = m.underline_thickness;
        m.strikeout_offset = m.ascent / 3;
    }

    int average = os2 && os2->version != 0xFFFF ? static_cast<int>(std::lround(os2->xAvgCharWidth * scale)) : 0;
    m.average_char_width = average > 0 ? average : font->advance(U'x');
    return font;
}

FontInstance::~FontInstance()
{
    if (face_) FT_Done_Face(face_);
}

std::pair<FontInstance*, FT_UInt> FontInstance::resolve(char32_t c)
{
    FT_UInt index = FT_Get_Char_Index(face_, c);
    if (index != 0 || !fallback_) return {this, index};
    FT_UInt fallback_index = FT_Get_Char_Index(fallback_->face_, c);
    if (fallback_index != 0) return {fallback_.get(), fallback_index};
    return {this, 0};
}

bool FontInstance::load(FT_UInt index)
{
    if (FT_Load_Glyph(face_, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0) return false;
    if (face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return true;
    if (file_.synthetic_bold) FT_GlyphSlot_Embolden(face_->glyph);
    if (file_.synthetic_italic) FT_GlyphSlot_Oblique(face_->glyph);
    return true;
}

int FontInstance::advance(char32_t c)
{
    if (is_control(c)) return 0;
    if (auto found = advances_.find(c); found != advances_.end()) return found->second;
    auto [font, index] = resolve(c);
    int width = 0;
    if (font->load(index)) width = static_cast<int>((font->face_->glyph->advance.x + 32) >> 6);
    advances_.emplace(c, width);
    return width;
}

const Glyph& FontInstance::glyph(char32_t c, RenderMode mode, int escapement)
{
    escapement = normal_escapement(escapement);
    std::uint64_t key = (std::uint64_t(c) << 32) | (mode == RenderMode::mono ? 0x80000000u : 0u) |
        static_cast<std::uint32_t>(escapement);
    if (auto found = glyphs_.find(key); found != glyphs_.end()) return found->second;
    if (glyphs_.size() >= glyph_cache_limit) glyphs_.clear();
    Glyph& glyph = glyphs_[key];
    if (is_control(c)) return glyph;

    auto [font, index] = resolve(c);
    if (!font->load(index)) return glyph;
    FT_GlyphSlot slot = font->face_->glyph;
    if (escapement != 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        // Counter-clockwise on the screen; FreeType's y axis points up.
        double angle = escapement * std::numbers::pi / 1800.0;
        FT_Matrix rotation;
        rotation.xx = static_cast<FT_Fixed>(std::lround(std::cos(angle) * 0x10000));
        rotation.xy = static_cast<FT_Fixed>(std::lround(-std::sin(angle) * 0x10000));
        rotation.yx = -rotation.xy;
        rotation.yy = rotation.xx;
        FT_Outline_Transform(&slot->outline, &rotation);
    }
    if (FT_Render_Glyph(slot, mode == RenderMode::mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return glyph;

    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.coverage.assign(static_cast<std::size_t>(glyph.width) * glyph.rows, 0);
    int pitch = std::abs(bitmap.pitch);
    for (int row = 0; row < glyph.rows; ++row) {
        // A negative pitch means the rows are stored bottom first.
        const unsigned char* source = bitmap.buffer + (bitmap.pitch < 0 ? glyph.rows - 1 - row : row) * pitch;
        std::uint8_t* target = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int x = 0; x < glyph.width; ++x) target[x] = (source[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
            for (int x = 0; x < glyph.width; ++x)
                target[x] = static_cast<std::uint8_t>(levels == 255 ? source[x] : source[x] * 255 / levels);
        }
    }
    return glyph;
}

}  // namespace platform::text
