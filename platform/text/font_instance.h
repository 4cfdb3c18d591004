// A face at one size and style, ready to measure and draw: the FreeType face,
// its metrics in the phone's terms (cell height, ascent, descent) and the
// glyphs rendered so far.
//
// The metrics follow the phone's font engine: the cell is the face's Windows
// ascent plus descent, scaled; a negative LOGFONT height asks for the
// character (em) height, a positive one for the cell height. Advances are
// whole pixels, so the width of a string is the sum of its characters' widths
// and layout can work on those sums alone.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::text {

// Where a face lives and how far it already carries the style asked for.
struct FaceFile {
    std::string path;
    int index = 0;
    std::string family;
    // The file has no bold or italic of its own: thicken or slant its outlines.
    bool synthetic_bold = false;
    bool synthetic_italic = false;
};

enum class RenderMode { grey, mono };

// A rendered glyph: coverage 0..255 per pixel, rows from the top. left and
// top place the first column and row relative to the pen on the baseline
// (top counts upwards); the advance is in pixels along the baseline.
struct Glyph {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;
};

// The metrics of a sized face, in pixels.
struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int internal_leading = 0;
    int average_char_width = 0;
    int max_char_width = 0;
    // Below the baseline, counted downwards: where the underline starts.
    int underline_offset = 0;
    int underline_thickness = 1;
    // Above the baseline, counted upwards: the top of the strike-out bar.
    int strikeout_offset = 0;
    int strikeout_thickness = 1;
};

class FontInstance {
public:
    // Opens the face and sizes it for a LOGFONT height (see above; 0 gives
    // the default character height). Null when the file cannot be read.
    static std::unique_ptr<FontInstance> open(FT_Library library, const FaceFile& file, long logical_height);
    ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    const FontMetrics& metrics() const { return metrics_; }
    const FaceFile& file() const { return file_; }
    bool fixed_pitch() const { return FT_IS_FIXED_WIDTH(face_); }
    // The face asked for characters this one lacks (the default face, for
    // Chinese text in a Latin face).
    void set_fallback(std::shared_ptr<FontInstance> fallback) { fallback_ = std::move(fallback); }

    // Width of a character in pixels; control characters have none.
    int advance(char32_t c);
    // The character rendered, rotated counter-clockwise by tenths of a degree.
    const Glyph& glyph(char32_t c, RenderMode mode, int escapement);

    // The character height the default (zero) LOGFONT height stands for:
    // that of the stock font, 9 points on the phone's 192-dpi screen.
    static constexpr int default_char_height = 24;
    // Larger requests are drawn at this character height: a glyph of it is
    // already bigger than the screen.
    static constexpr int max_char_height = 2048;

private:
    FontInstance() = default;
    // The face that draws c and its glyph index there (0, the missing-glyph
    // box, when no face has it).
    std::pair<FontInstance*, FT_UInt> resolve(char32_t c);
    bool load(FT_UInt index);

    FT_Face face_ = nullptr;
    FaceFile file_;
    double char_height_ = 0;
    FontMetrics metrics_;
    std::shared_ptr<FontInstance> fallback_;
    std::unordered_map<char32_t, int> advances_;
    std::unordered_map<std::uint64_t, Glyph> glyphs_;
};

// Characters that take no room and draw nothing (line breaks and other
// controls, which the layout handles itself).
inline bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

}  // namespace platform::text
