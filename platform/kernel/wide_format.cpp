#include "platform/kernel/wide_format.h"

#include <cstdint>
#include <string_view>

#include "platform/kernel/utf.h"

namespace platform {
namespace {

// Widths and precisions beyond this are clamped: the output is bounded
// anyway, and "%999999999d" must not ask for a gigabyte of padding.
constexpr int largest_field = 4096;

class BoundedWriter {
public:
    BoundedWriter(std::u16string& out, std::size_t limit)
        : out_(out)
        , start_(out.size())
        , limit_(limit)
    {
    }

    bool full() const { return full_; }

    void put(char16_t character)
    {
        if (full_) return;
        if (out_.size() - start_ >= limit_) {
            full_ = true;
            // A high surrogate whose partner did not fit would be a broken character.
            if (out_.size() > start_ && is_high_surrogate(out_.back()) && is_low_surrogate(character)) out_.pop_back();
            return;
        }
        out_ += character;
    }

    void put(std::u16string_view text)
    {
        for (char16_t character : text) put(character);
    }

    void repeat(char16_t character, int count)
    {
        for (int i = 0; i < count && !full_; ++i) put(character);
    }

private:
    static bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
    static bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

    std::u16string& out_;
    std::size_t start_;
    std::size_t limit_;
    bool full_ = false;
};

enum class ArgumentSize { standard, half, wide64, narrow_text, wide_text };

struct Directive {
    bool left_align = false;
    bool zero_pad = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    ArgumentSize size = ArgumentSize::standard;
};

int read_number(const WCHAR*& p)
{
    int value = 0;
    while (*p >= u'0' && *p <= u'9') {
        if (value < largest_field) value = value * 10 + (*p - u'0');
        ++p;
    }
    return value > largest_field ? largest_field : value;
}

void pad_and_put(BoundedWriter& writer, const Directive& directive, std::u16string_view text)
{
    int padding = directive.width - static_cast<int>(text.size());
    if (!directive.left_align) writer.repeat(u' ', padding);
    writer.put(text);
    if (directive.left_align) writer.repeat(u' ', padding);
}

void put_integer(BoundedWriter& writer, const Directive& directive, std::uint64_t magnitude, bool negative,
    unsigned base, bool upper_case)
{
    const char* digit_set = upper_case ? "0123456789ABCDEF" : "0123456789abcdef";
    char16_t buffer[64];
    int length = 0;
    for (std::uint64_t rest = magnitude; rest != 0; rest /= base)
        buffer[length++] = static_cast<char16_t>(digit_set[rest % base]);
    // No precision means at least one digit; an explicit precision 0 prints nothing for 0.
    int minimum_digits = directive.precision < 0 ? 1 : directive.precision;

    std::u16string_view prefix;
    if (negative)
        prefix = u"-";
    else if (directive.alternate && base == 16 && magnitude != 0)
        prefix = upper_case ? u"0X" : u"0x";

    int zeros = minimum_digits > length ? minimum_digits - length : 0;
    int total = static_cast<int>(prefix.size()) + zeros + length;
    if (directive.zero_pad && !directive.left_align && directive.precision < 0 && directive.width > total) {
        zeros += directive.width - total;
        total = directive.width;
    }
    int padding = directive.width - total;
    if (!directive.left_align) writer.repeat(u' ', padding);
    writer.put(prefix);
    writer.repeat(u'0', zeros);
    while (length > 0) writer.put(buffer[--length]);
    if (directive.left_align) writer.repeat(u' ', padding);
}

std::int64_t signed_argument(va_list* arguments, ArgumentSize size)
{
    if (size == ArgumentSize::wide64) return va_arg(*arguments, long long);
    int value = va_arg(*arguments, int);
    return size == ArgumentSize::half ? static_cast<short>(value) : value;
}

std::uint64_t unsigned_argument(va_list* arguments, ArgumentSize size)
{
    if (size == ArgumentSize::wide64) return va_arg(*arguments, unsigned long long);
    unsigned value = va_arg(*arguments, unsigned);
    return size == ArgumentSize::half ? static_cast<unsigned short>(value) : value;
}

void put_text(BoundedWriter& writer, const Directive& directive, std::u16string_view text)
{
    if (directive.precision >= 0 && text.size() > static_cast<std::size_t>(directive.precision))
        text = text.substr(0, directive.precision);
    pad_and_put(writer, directive, text);
}

// Formats one directive that starts after '%'; returns false when the
// conversion is unknown, so the caller copies the directive as written.
bool format_directive(BoundedWriter& writer, const WCHAR*& p, va_list* arguments)
{
    Directive directive;
    for (;; ++p) {
        if (*p == u'-')
            directive.left_align = true;
        else if (*p == u'0')
            directive.zero_pad = true;
        else if (*p == u'#')
            directive.alternate = true;
        else
            break;
    }
    directive.width = read_number(p);
    if (*p == u'.') {
        ++p;
        directive.precision = read_number(p);
    }
    if (*p == u'l') {
        ++p;
        if (*p == u'l') {
            ++p;
            directive.size = ArgumentSize::wide64;
        } else if (*p == u's' || *p == u'c') {
            directive.size = ArgumentSize::wide_text;
        }
    } else if (*p == u'h') {
        ++p;
        directive.size = (*p == u's' || *p == u'c') ? ArgumentSize::narrow_text : ArgumentSize::half;
    } else if (*p == u'w') {
        ++p;
        directive.size = ArgumentSize::wide_text;
    } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
        p += 3;
        directive.size = ArgumentSize::wide64;
    } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
        p += 3;
    }

    switch (*p) {
    case u'd':
    case u'i': {
        std::int64_t value = signed_argument(arguments, directive.size);
        std::uint64_t magnitude = value < 0 ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
        put_integer(writer, directive, magnitude, value < 0, 10, false);
        return true;
    }
    case u'u':
        put_integer(writer, directive, unsigned_argument(arguments, directive.size), false, 10, false);
        return true;
    case u'x':
    case u'X':
        put_integer(writer, directive, unsigned_argument(arguments, directive.size), false, 16, *p == u'X');
        return true;
    case u'c':
    case u'C': {
        int value = va_arg(*arguments, int);
        bool narrow =
            directive.size == ArgumentSize::narrow_text || (*p == u'C' && directive.size != ArgumentSize::wide_text);
        char16_t character = narrow ? static_cast<unsigned char>(value) : static_cast<char16_t>(value);
        // A zero character would end the text early; it prints as nothing.
        pad_and_put(writer, directive, character ? std::u16string_view(&character, 1) : std::u16string_view());
        return true;
    }
    case u's':
    case u'S': {
        bool narrow =
            directive.size == ArgumentSize::narrow_text || (*p == u'S' && directive.size != ArgumentSize::wide_text);
        if (narrow) {
            const char* text = va_arg(*arguments, const char*);
            put_text(writer, directive, text ? from_utf8(text) : std::u16string(u"(null)"));
        } else {
            const WCHAR* text = va_arg(*arguments, const WCHAR*);
            put_text(writer, directive, text ? text_view(text) : std::u16string_view(u"(null)"));
        }
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

void format_wide(std::u16string& out, const WCHAR* format, va_list arguments, std::size_t max_characters)
{
    if (!format) return;
    va_list local;
    va_copy(local, arguments);
    BoundedWriter writer(out, max_characters);
    const WCHAR* p = format;
    while (*p && !writer.full()) {
        if (*p != u'%') {
            writer.put(*p++);
            continue;
        }
        if (p[1] == u'%') {
            writer.put(u'%');
            p += 2;
            continue;
        }
        const WCHAR* start = p++;
        if (format_directive(writer, p, &local)) {
            ++p;
        } else {
            // Unknown: copy the directive as written, including the character
            // that ended it (unless the format ended there).
            if (*p) ++p;
            writer.put(std::u16string_view(start, static_cast<std::size_t>(p - start)));
        }
    }
    va_end(local);
}

}  // namespace platform
