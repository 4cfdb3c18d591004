// Reading .reg text. People edit the hive file by hand, so every error names
// the line and says what was expected; the parser is a single pass over the
// lines with no recursion, so hostile input costs time linear in its size.
#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>

#include "platform/kernel/result.h"
#include "platform/kernel/utf.h"
#include "platform/registry/reg_text.h"

namespace platform::registry {
namespace {

struct Line {
    std::u16string_view text;
    std::size_t number;
};

// Where a fault lies: "name:line", or the name alone when it is not on one
// line.
std::string located(std::string_view name, std::size_t line)
{
    if (line == 0) return std::string(name.empty() ? "" : name);
    return name.empty() ? "line " + std::to_string(line) : std::string(name) + ":" + std::to_string(line);
}

// Keeps error messages to one readable line whatever the input holds.
std::string excerpt(std::u16string_view text)
{
    constexpr std::size_t limit = 40;
    std::u16string shown;
    for (char16_t c : text.substr(0, limit)) shown += (c < 0x20 || c == 0x7F) ? u'?' : c;
    std::string out = "\"" + to_utf8(shown) + "\"";
    if (text.size() > limit) out += "...";
    return out;
}

std::size_t count_lines(std::string_view bytes, std::size_t end)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < end && i < bytes.size(); ++i)
        if (bytes[i] == '\n') ++line;
    return line;
}

// Strict UTF-8: a hive that is not valid text is malformed, rather than
// silently turned into replacement characters that would then be saved.
Result<void> decode_utf8(std::string_view bytes, std::string_view name, std::u16string& out)
{
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        std::size_t length = byte < 0x80 ? 1
            : (byte & 0xE0) == 0xC0      ? 2
            : (byte & 0xF0) == 0xE0      ? 3
            : (byte & 0xF8) == 0xF0      ? 4
                                         : 0;
        char32_t code = length == 1 ? byte : length == 2 ? (byte & 0x1F) : length == 3 ? (byte & 0x0F) : (byte & 0x07);
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid) valid = code >= minimum[length] && code <= 0x10FFFF && !(code >= 0xD800 && code < 0xE000);
        if (!valid) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", byte);
            return failure_at(located(name, count_lines(bytes, i)), std::string("invalid UTF-8 (byte ") + hex + ")");
        }
        if (code == 0) {
            return failure_at(located(name, count_lines(bytes, i)),
                "unexpected NUL character (is the file UTF-16 without a byte-order mark?)");
        }
        if (code < 0x10000) {
            out += static_cast<char16_t>(code);
        } else {
            out += static_cast<char16_t>(0xD800 | ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 | ((code - 0x10000) & 0x3FF));
        }
        i += length;
    }
    return {};
}

Result<void> decode(std::string_view bytes, std::string_view name, std::u16string& text)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            return failure_at(located(name, 0), "truncated UTF-16 text (odd number of bytes)");
        }
        text.resize(bytes.size() / 2);
        std::size_t line = 1;
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char16_t>(
                static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
            if (text[i] == u'\n') ++line;
            if (text[i] == 0) {
                return failure_at(located(name, line), "unexpected NUL character");
            }
        }
        return {};
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        return failure_at(located(name, 0), "UTF-16 big-endian text is not supported (save as UTF-8 or UTF-16LE)");
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return decode_utf8(bytes, name, text);
}

// Hands out the lines one at a time, so the memory a file costs follows its
// content and not its number of lines. Lines end with LF, CR LF or a lone CR.
class LineReader {
public:
    explicit LineReader(std::u16string_view text)
        : text_(text)
    {
    }

    std::optional<Line> next()
    {
        if (position_ > text_.size()) return std::nullopt;
        std::size_t end = position_;
        while (end < text_.size() && text_[end] != u'\n' && text_[end] != u'\r') ++end;
        Line line {text_.substr(position_, end - position_), number_++};
        if (end < text_.size() && text_[end] == u'\r' && end + 1 < text_.size() && text_[end + 1] == u'\n') ++end;
        position_ = end + 1;
        return line;
    }

private:
    std::u16string_view text_;
    std::size_t position_ = 0;
    std::size_t number_ = 1;
};

bool is_space(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trim(std::u16string_view text)
{
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
    return text;
}

void skip_spaces(std::u16string_view& text)
{
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
}

int hex_digit(char16_t c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads 1 to max_digits hex digits; false when there are none or too many.
bool read_hex_number(std::u16string_view& text, std::size_t max_digits, std::uint32_t& number)
{
    std::size_t count = 0;
    number = 0;
    while (!text.empty() && hex_digit(text.front()) >= 0) {
        if (++count > max_digits) return false;
        number = (number << 4) | static_cast<std::uint32_t>(hex_digit(text.front()));
        text.remove_prefix(1);
    }
    return count > 0;
}

bool starts_with_caseless(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && caseless_equal(text.substr(0, prefix.size()), prefix);
}

class Parser {
public:
    Parser(std::u16string_view text, std::string_view name, RegScript& script)
        : lines_(text)
        , name_(name)
        , script_(script)
    {
    }

    Result<void> run()
    {
        bool found = false;
        while ((found = next_line()) && trim(line_.text).empty()) { }
        if (!found) return fail(0, "empty file: expected \"" + std::string(reg_file_header) + "\"");
        std::u16string_view header = trim(line_.text);
        if (header != u"Windows Registry Editor Version 5.00")
            return fail(line_.number, "expected \"" + std::string(reg_file_header) + "\", got " + excerpt(header));
        while (next_line()) {
            std::u16string_view text = trim(line_.text);
            if (text.empty() || text.front() == u';') continue;
            Result<void> done = text.front() == u'[' ? key_line(text)
                : (text.front() == u'"' || text.front() == u'@')
                ? value_line(text)
                : fail_here("expected [key] or \"name\"=value, got " + excerpt(text));
            if (!done) return done;
        }
        return {};
    }

private:
    Failure fail(std::size_t line, std::string message) const
    {
        return failure_at(located(name_, line), std::move(message));
    }
    Failure fail_here(std::string message) const { return fail(line_.number, std::move(message)); }

    bool next_line()
    {
        auto line = lines_.next();
        if (!line) return false;
        line_ = *line;
        return true;
    }

    Result<void> key_line(std::u16string_view text)
    {
        if (text.back() != u']') return fail_here("expected \"]\" at the end of the key line " + excerpt(text));
        text = text.substr(1, text.size() - 2);
        RegOperation operation;
        operation.kind = RegOperation::Kind::create_key;
        if (!text.empty() && text.front() == u'-') {
            operation.kind = RegOperation::Kind::delete_key;
            text.remove_prefix(1);
        }
        std::size_t slash = text.find(u'\\');
        std::u16string_view root_name = text.substr(0, slash);
        auto root = root_key_from_name(root_name);
        if (!root) return fail_here("unknown root key " + excerpt(root_name));
        operation.root = *root;
        std::vector<std::u16string_view> components;
        if (slash != std::u16string_view::npos && !split_key_path(text.substr(slash + 1), components)) {
            return fail_here("bad key name " + excerpt(text) +
                " (empty part, part longer than 255 characters, line break or more than 512 levels)");
        }
        if (operation.kind == RegOperation::Kind::delete_key && components.empty())
            return fail_here("a root key cannot be deleted: " + excerpt(text));
        for (auto component : components) operation.path.emplace_back(component);
        in_deleted_key_ = operation.kind == RegOperation::Kind::delete_key;
        have_key_ = true;
        script_.push_back(std::move(operation));
        return {};
    }

    Result<void> quoted_string(std::u16string_view& text, std::u16string& out)
    {
        text.remove_prefix(1);  // the opening quote
        while (!text.empty()) {
            char16_t c = text.front();
            text.remove_prefix(1);
            if (c == u'"') return {};
            if (c == u'\\') {
                if (text.empty()) break;
                if (text.front() != u'\\' && text.front() != u'"')
                    return fail_here("unknown escape " + excerpt(std::u16string(1, u'\\') + text.front()) +
                        " in string (write \\\\ for a backslash)");
                c = text.front();
                text.remove_prefix(1);
            }
            out += c;
        }
        return fail_here("string without closing quote");
    }

    Result<void> end_of_value(std::u16string_view text)
    {
        skip_spaces(text);
        if (text.empty() || text.front() == u';') return {};
        return fail_here("unexpected text after the value: " + excerpt(text));
    }

    // The comma-separated bytes of a hex value, continued over lines that
    // end with a backslash.
    Result<void> hex_bytes(std::u16string_view text, std::vector<std::uint8_t>& bytes)
    {
        for (;;) {
            bool continued = false;
            for (;;) {
                skip_spaces(text);
                if (text.empty() || text.front() == u';') break;
                if (text.front() == u'\\') {
                    text.remove_prefix(1);
                    skip_spaces(text);
                    if (!text.empty()) return fail_here("unexpected text after \"\\\": " + excerpt(text));
                    continued = true;
                    break;
                }
                std::uint32_t byte = 0;
                if (!read_hex_number(text, 2, byte))
                    return fail_here("expected a hex byte such as 0a, got " + excerpt(text));
                bytes.push_back(static_cast<std::uint8_t>(byte));
                skip_spaces(text);
                if (!text.empty() && text.front() == u',') {
                    text.remove_prefix(1);
                } else if (!text.empty() && text.front() != u';' && text.front() != u'\\') {
                    return fail_here("expected \",\" between hex bytes, got " + excerpt(text));
                }
            }
            if (!continued) return {};
            if (!next_line()) return fail_here("the file ends inside a value continued with \"\\\"");
            text = trim(line_.text);
        }
    }

    Result<void> value_line(std::u16string_view text)
    {
        if (!have_key_) return fail_here("value before the first [key] line");
        RegOperation operation;
        if (text.front() == u'@') {
            text.remove_prefix(1);
        } else if (auto name = quoted_string(text, operation.name); !name) {
            return name;
        }
        if (operation.name.size() > max_value_name_length || !is_storable_name(operation.name))
            return fail_here("bad value name " + excerpt(operation.name));
        skip_spaces(text);
        if (text.empty() || text.front() != u'=')
            return fail_here("expected \"name\"=value, got " + excerpt(trim(line_.text)));
        text.remove_prefix(1);
        skip_spaces(text);

        operation.kind = RegOperation::Kind::set_value;
        RegistryValue& value = operation.value;
        if (!text.empty() && text.front() == u'-') {
            operation.kind = RegOperation::Kind::delete_value;
            if (auto end = end_of_value(text.substr(1)); !end) return end;
        } else if (!text.empty() && text.front() == u'"') {
            std::u16string data;
            if (auto string = quoted_string(text, data); !string) return string;
            if (auto end = end_of_value(text); !end) return end;
            value.type = 1;  // REG_SZ
            for (char16_t c : data) {
                value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
                value.data.push_back(static_cast<std::uint8_t>(c >> 8));
            }
            value.data.push_back(0);
            value.data.push_back(0);
        } else if (starts_with_caseless(text, u"dword:")) {
            text.remove_prefix(6);
            std::uint32_t number = 0;
            if (!read_hex_number(text, 8, number))
                return fail_here("expected 1 to 8 hex digits after dword:, got " + excerpt(text));
            if (auto end = end_of_value(text); !end) return end;
            value.type = 4;  // REG_DWORD
            for (int shift = 0; shift < 32; shift += 8)
                value.data.push_back(static_cast<std::uint8_t>(number >> shift));
        } else if (starts_with_caseless(text, u"hex")) {
            text.remove_prefix(3);
            value.type = 3;  // REG_BINARY
            if (!text.empty() && text.front() == u'(') {
                text.remove_prefix(1);
                if (!read_hex_number(text, 8, value.type) || text.empty() || text.front() != u')')
                    return fail_here("expected hex(type): with a hex type number, got " + excerpt(text));
                text.remove_prefix(1);
            }
            if (text.empty() || text.front() != u':')
                return fail_here("expected \":\" after hex, got " + excerpt(text));
            if (auto hex = hex_bytes(text.substr(1), value.data); !hex) return hex;
        } else {
            return fail_here("expected a value (\"string\", dword:, hex:, hex(n): or -), got " + excerpt(text));
        }
        // Values inside a [-key] section are ignored, as the format intends.
        if (!in_deleted_key_) script_.push_back(std::move(operation));
        return {};
    }

    LineReader lines_;
    std::string_view name_;
    Line line_ {};
    RegScript& script_;
    bool have_key_ = false;
    bool in_deleted_key_ = false;
};

}  // namespace

Result<RegScript> parse_reg_text(std::string_view bytes, std::string_view name)
{
    RegScript script;
    try {
        std::u16string text;
        if (auto decoded = decode(bytes, name, text); !decoded) return decoded.failure();
        if (auto parsed = Parser(text, name, script).run(); !parsed) return parsed.failure();
    } catch (const std::bad_alloc&) {
        // A file far larger than its content is not worth dying for.
        return failure_at(
            located(name, 0), "not enough memory to read it (" + std::to_string(bytes.size() >> 20) + " MiB)");
    }
    return script;
}

void apply_reg_script(const RegScript& script, Hive& hive)
{
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> current;
    for (const RegOperation& operation : script) {
        switch (operation.kind) {
        case RegOperation::Kind::create_key: {
            current = hive.root(operation.root);
            bool created = false;
            for (const auto& component : operation.path) current = current->create_subkey(component, created);
            break;
        }
        case RegOperation::Kind::delete_key: {
            std::shared_ptr<RegistryKey> parent = hive.root(operation.root);
            for (std::size_t i = 0; parent && i + 1 < operation.path.size(); ++i)
                parent = parent->find_subkey(operation.path[i]);
            if (parent) parent->delete_subkey(operation.path.back());
            current = nullptr;
            break;
        }
        case RegOperation::Kind::set_value:
            if (current) current->set_value(operation.name, operation.value);
            break;
        case RegOperation::Kind::delete_value:
            if (current) current->delete_value(operation.name);
            break;
        }
    }
    hive.mark_dirty();
}

}  // namespace platform::registry
