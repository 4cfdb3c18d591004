#include "platform/text/text_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::text {

using gdi::PixelFormat;

// The text's own axes on the target: along the baseline and down across it,
// from the start of the baseline.
struct TextPainter::Frame {
    double base_x, base_y;
    double along_x, along_y;
    double down_x, down_y;
};

namespace {

std::uint32_t xrgb_of(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

inline std::uint32_t mix(std::uint32_t over, std::uint32_t under, std::uint32_t coverage)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        std::uint32_t a = (over >> shift) & 0xFF, b = (under >> shift) & 0xFF;
        result |= ((a * coverage + b * (255 - coverage) + 127) / 255) << shift;
    }
    return result;
}

RECT intersection(const RECT& a, const RECT& b)
{
    return RECT {
        std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool is_empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// Positions far off any bitmap are held where they cannot overflow a LONG;
// they are clipped away all the same.
constexpr double far_away = 1 << 28;
LONG to_pixel(double position) { return static_cast<LONG>(std::clamp(position, -far_away, far_away)); }

}  // namespace

TextPainter::TextPainter(gdi::DeviceContext& dc, const RECT* clip)
    : dc_(dc)
    , target_(dc.target())
{
    gdi::Region area(dc.drawable());
    if (clip) {
        POINT origin = dc.origin();
        area.intersect(
            RECT {clip->left + origin.x, clip->top + origin.y, clip->right + origin.x, clip->bottom + origin.y});
    }
    clip_rects_ = area.rects();
    text_xrgb_ = xrgb_of(dc.text_colour());
    text_pixel_ = gdi::xrgb_to_pixel(target_.format(), text_xrgb_);
}

TextPainter::~TextPainter()
{
    if (touched_) dc_.changed(*touched_);
}

void TextPainter::touch(const RECT& rect)
{
    if (!touched_) {
        touched_ = rect;
        return;
    }
    touched_->left = std::min(touched_->left, rect.left);
    touched_->top = std::min(touched_->top, rect.top);
    touched_->right = std::max(touched_->right, rect.right);
    touched_->bottom = std::max(touched_->bottom, rect.bottom);
}

void TextPainter::fill(const RECT& rect, COLORREF colour)
{
    POINT origin = dc_.origin();
    RECT box {rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y};
    std::uint32_t value = gdi::encode_colour(target_.format(), colour);
    for (const RECT& clip : clip_rects_) {
        RECT r = intersection(box, clip);
        if (is_empty(r)) continue;
        for (int y = r.top; y < r.bottom; ++y) {
            std::uint8_t* row = target_.row(y);
            for (int x = r.left; x < r.right; ++x) gdi::write_pixel(target_.format(), row, x, value);
        }
        touch(r);
    }
}

void TextPainter::blend(const Glyph& glyph, int left, int top)
{
    if (glyph.width == 0 || glyph.rows == 0) return;
    RECT box {left, top, left + glyph.width, top + glyph.rows};
    PixelFormat format = target_.format();
    for (const RECT& clip : clip_rects_) {
        RECT r = intersection(box, clip);
        if (is_empty(r)) continue;
        for (int y = r.top; y < r.bottom; ++y) {
            std::uint8_t* row = target_.row(y);
            const std::uint8_t* coverage =
                glyph.coverage.data() + static_cast<std::size_t>(y - top) * glyph.width - left;
            for (int x = r.left; x < r.right; ++x) {
                std::uint32_t a = coverage[x];
                if (a == 0) continue;
                if (a == 255 || format == PixelFormat::mono1) {
                    if (a >= 128) gdi::write_pixel(format, row, x, text_pixel_);
                    continue;
                }
                std::uint32_t under = gdi::pixel_to_xrgb(format, gdi::read_pixel(format, row, x));
                gdi::write_pixel(format, row, x, gdi::xrgb_to_pixel(format, mix(text_xrgb_, under, a)));
            }
        }
        touch(r);
    }
}

// Fills the pixels whose centres lie in a rectangle of the text's own axes,
// so underlines and background cells turn with the glyphs.
void TextPainter::fill_band(
    const Frame& frame, double along_begin, double along_end, double down_begin, double down_end, std::uint32_t value)
{
    if (along_end <= along_begin || down_end <= down_begin) return;
    double xs[4], ys[4];
    int corner = 0;
    for (double along : {along_begin, along_end})
        for (double down : {down_begin, down_end}) {
            xs[corner] = frame.base_x + frame.along_x * along + frame.down_x * down;
            ys[corner] = frame.base_y + frame.along_y * along + frame.down_y * down;
            ++corner;
        }
    RECT box {to_pixel(std::floor(*std::min_element(xs, xs + 4))), to_pixel(std::floor(*std::min_element(ys, ys + 4))),
        to_pixel(std::ceil(*std::max_element(xs, xs + 4))), to_pixel(std::ceil(*std::max_element(ys, ys + 4)))};
    PixelFormat format = target_.format();
    // A hair of slack keeps exact edges of unrotated bands from rounding away.
    constexpr double slack = 1e-9;
    for (const RECT& clip : clip_rects_) {
        RECT r = intersection(box, clip);
        if (is_empty(r)) continue;
        for (int y = r.top; y < r.bottom; ++y) {
            std::uint8_t* row = target_.row(y);
            for (int x = r.left; x < r.right; ++x) {
                double dx = x + 0.5 - frame.base_x, dy = y + 0.5 - frame.base_y;
                double along = dx * frame.along_x + dy * frame.along_y;
                double down = dx * frame.down_x + dy * frame.down_y;
                if (along < along_begin - slack || along >= along_end - slack || down < down_begin - slack ||
                    down >= down_end - slack)
                    continue;
                gdi::write_pixel(format, row, x, value);
            }
        }
        touch(r);
    }
}

void TextPainter::draw(FontInstance& font, const TextRun& run)
{
    const LOGFONTW& style = dc_.font();
    const FontMetrics& metrics = font.metrics();
    RenderMode mode = style.lfQuality == NONANTIALIASED_QUALITY ? RenderMode::mono : RenderMode::grey;
    int escapement = static_cast<int>(style.lfEscapement % 3600);

    double angle = escapement * std::numbers::pi / 1800.0;
    double cosine = std::cos(angle), sine = std::sin(angle);
    // Exact quarter turns keep whole-pixel positions whole.
    if (escapement % 900 == 0) {
        cosine = std::round(cosine);
        sine = std::round(sine);
    }
    POINT origin = dc_.origin();
    Frame frame {};
    frame.along_x = cosine;
    frame.along_y = -sine;
    frame.down_x = sine;
    frame.down_y = cosine;
    frame.base_x = double(run.origin.x) + origin.x + frame.down_x * metrics.ascent;
    frame.base_y = double(run.origin.y) + origin.y + frame.down_y * metrics.ascent;

    std::vector<long long> starts(run.characters.size() + 1, 0);
    for (std::size_t i = 0; i < run.characters.size(); ++i) starts[i + 1] = starts[i] + run.advances[i];
    double width = static_cast<double>(starts.back());

    if (dc_.background_mode() == OPAQUE)
        fill_band(frame, 0, width, -metrics.ascent, metrics.descent,
            gdi::encode_colour(target_.format(), dc_.background_colour()));

    for (std::size_t i = 0; i < run.characters.size(); ++i) {
        char32_t c = run.characters[i];
        if (is_control(c)) continue;
        const Glyph& glyph = font.glyph(c, mode, escapement);
        double pen_x = frame.base_x + frame.along_x * static_cast<double>(starts[i]);
        double pen_y = frame.base_y + frame.along_y * static_cast<double>(starts[i]);
        blend(glyph, to_pixel(std::round(pen_x)) + glyph.left, to_pixel(std::round(pen_y)) - glyph.top);
    }

    int underline_top = metrics.underline_offset, underline_bottom = underline_top + metrics.underline_thickness;
    if (style.lfUnderline) fill_band(frame, 0, width, underline_top, underline_bottom, text_pixel_);
    if (style.lfStrikeOut)
        fill_band(frame, 0, width, -metrics.strikeout_offset, -metrics.strikeout_offset + metrics.strikeout_thickness,
            text_pixel_);
    if (run.underlined >= 0 && static_cast<std::size_t>(run.underlined) < run.characters.size()) {
        std::size_t marked = static_cast<std::size_t>(run.underlined);
        fill_band(frame, static_cast<double>(starts[marked]), static_cast<double>(starts[marked + 1]), underline_top,
            underline_bottom, text_pixel_);
    }
}

}  // namespace platform::text
