#include "manifest.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/kernel/utf.h"

namespace velmor_res {

using platform::loader::ResourceId;

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

struct Token {
    std::string text;  // as written, without its quotes
    std::u16string name;  // a quoted token's text with its escapes resolved
    bool quoted = false;
};

std::string trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_space(text[begin])) ++begin;
    while (end > begin && is_space(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A quoted token's text: UTF-8 with the escapes escaped_name() writes. An
// unknown escape keeps its backslash, as quoted tokens had none before.
std::u16string unescape(std::string_view text)
{
    std::u16string result;
    std::string plain;
    auto flush = [&] {
        result += platform::from_utf8(plain);
        plain.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            plain += c;
            continue;
        }
        char next = text[i + 1];
        const char* simple = next == '\\' ? "\\"
            : next == '"'                 ? "\""
            : next == 'n'                 ? "\n"
            : next == 'r'                 ? "\r"
            : next == 't'                 ? "\t"
                                          : nullptr;
        if (simple) {
            plain += simple;
            ++i;
        } else if (next == 'u' && i + 5 < text.size() && is_hex_digit(text[i + 2]) && is_hex_digit(text[i + 3]) &&
            is_hex_digit(text[i + 4]) && is_hex_digit(text[i + 5])) {
            flush();
            result += static_cast<char16_t>(std::stoul(std::string(text.substr(i + 2, 4)), nullptr, 16));
            i += 5;
        } else {
            plain += c;
        }
    }
    flush();
    return result;
}

// Takes the next token off the front of text: a run of non-spaces, or a
// "quoted" run in which \" and \\ stand for a quote and a backslash. False
// for an unterminated quote.
bool next_token(std::string& text, Token& token)
{
    text = trim(text);
    token.quoted = !text.empty() && text[0] == '"';
    if (token.quoted) {
        std::size_t close = 1;
        while (close < text.size() && text[close] != '"') close += text[close] == '\\' ? 2 : 1;
        if (close >= text.size()) return false;
        token.text = text.substr(1, close - 1);
        token.name = unescape(token.text);
        text.erase(0, close + 1);
        return true;
    }
    std::size_t end = 0;
    while (end < text.size() && !is_space(text[end])) ++end;
    token.text = text.substr(0, end);
    text.erase(0, end);
    return true;
}

bool is_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool plain_name_is_safe(const std::u16string& name, bool as_type)
{
    if (name.empty()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c == u'"' || c == u' ' || is_hidden_character(c)) return false;
        if (c < 0x80 && is_space(static_cast<char>(c))) return false;
        if (is_surrogate(c)) {
            // A pair reads back from UTF-8; a lone half does not.
            bool pair = c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
            if (!pair) return false;
            ++i;
        }
    }
    if (name[0] == u'#' || (name[0] >= u'0' && name[0] <= u'9')) return false;
    return !(as_type && platform::loader::standard_type_number(name));
}

std::string key_token(const ResourceId& id, bool as_type)
{
    if (!id.is_name()) {
        if (as_type)
            if (const char* standard = platform::loader::standard_type_name(id.number())) return standard;
        return std::to_string(id.number());
    }
    return plain_name_is_safe(id.name(), as_type) ? id.to_string() : "\"" + escaped_name(id.name()) + "\"";
}

}  // namespace

bool is_hidden_character(char16_t c)
{
    // Control characters, line and paragraph separators and the marks that
    // reorder text on a terminal.
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069);
}

std::string escaped_name(std::u16string_view name)
{
    std::string result;
    // Runs of ordinary characters are converted whole: names may be long.
    std::size_t plain = 0;
    auto escape = [&](std::size_t at, std::string_view text) {
        result += platform::to_utf8(name.substr(plain, at - plain));
        result += text;
        plain = at + 1;
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (is_surrogate(c) && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            ++i;  // a pair reads back from UTF-8
            continue;
        }
        if (c == u'"') {
            escape(i, "\\\"");
        } else if (c == u'\\') {
            escape(i, "\\\\");
        } else if (c == u'\n') {
            escape(i, "\\n");
        } else if (c == u'\r') {
            escape(i, "\\r");
        } else if (c == u'\t') {
            escape(i, "\\t");
        } else if (is_hidden_character(c) || is_surrogate(c)) {
            char text[8];
            std::snprintf(text, sizeof text, "\\u%04X", unsigned(c));
            escape(i, text);
        }
    }
    result += platform::to_utf8(name.substr(plain));
    return result;
}

std::string printable(std::string_view text) { return escaped_name(platform::from_utf8(text)); }

bool lies_within(const std::filesystem::path& folder, const std::filesystem::path& file)
{
    namespace fs = std::filesystem;
    auto inside = [](const fs::path& base, const fs::path& path) {
        fs::path relative = path.lexically_relative(base);
        return !relative.empty() && *relative.begin() != "..";
    };
    std::error_code code;
    fs::path base = fs::absolute(folder.empty() ? fs::path(".") : folder, code).lexically_normal();
    fs::path path = fs::absolute(file, code).lexically_normal();
    if (!inside(base, path)) return false;
    // A link inside the folder may still lead out of it.
    fs::path real_base = fs::weakly_canonical(base, code);
    if (code) return false;
    fs::path real_path = fs::weakly_canonical(path, code);
    return !code && inside(real_base, real_path);
}

std::optional<ResourceId> parse_type(const std::string& token, bool quoted)
{
    if (token.empty()) return std::nullopt;
    std::u16string text = platform::from_utf8(token);
    if (quoted) return ResourceId::from_name(text);
    if (auto standard = platform::loader::standard_type_number(text)) return ResourceId::from_number(*standard);
    return ResourceId::parse(text);
}

std::optional<ResourceId> parse_name(const std::string& token, bool quoted)
{
    if (token.empty()) return std::nullopt;
    std::u16string text = platform::from_utf8(token);
    if (quoted) return ResourceId::from_name(text);
    return ResourceId::parse(text);
}

std::optional<std::uint16_t> parse_language(const std::string& token)
{
    if (token.empty() || token[0] < '0' || token[0] > '9') return std::nullopt;
    bool hex = token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
    errno = 0;
    char* end = nullptr;
    unsigned long value = std::strtoul(token.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || errno != 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string type_token(const ResourceId& type) { return key_token(type, true); }
std::string name_token(const ResourceId& name) { return key_token(name, false); }

platform::Result<std::vector<ManifestEntry>> read_manifest(
    const std::filesystem::path& manifest, std::uint16_t default_language, bool allow_outside)
{
    auto quoted_key = [](const std::u16string& name) -> std::optional<ResourceId> {
        if (name.empty()) return std::nullopt;
        return ResourceId::from_name(name);
    };
    std::ifstream in(manifest, std::ios::binary);
    if (!in) return platform::failure_at(manifest.string(), "cannot open the manifest");
    std::vector<ManifestEntry> entries;
    std::filesystem::path folder = manifest.parent_path();
    std::uint16_t language = default_language;
    std::string line;
    int number = 0;
    auto fail = [&](std::string message) {
        return platform::failure_at(manifest.string() + ":" + std::to_string(number), std::move(message));
    };
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        std::string rest = trim(line);
        if (rest.empty() || rest[0] == '#') continue;
        std::string original = rest;

        Token first, second;
        if (!next_token(rest, first) || !next_token(rest, second)) return fail("a quote is not closed");
        rest = trim(rest);

        if (!first.quoted && rest.empty() && first.text == "LANGUAGE") {
            auto value = parse_language(second.text);
            if (!value)
                return fail("'" + printable(second.text) + "' is not a language number (such as 0x0409 or 0x0804)");
            language = *value;
            continue;
        }
        if (second.text.empty() || rest.empty())
            return fail("expected 'ID TYPE FILE', found '" + printable(original) + "'");
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
        if (rest.empty()) return fail("the file name is empty");

        auto name = first.quoted ? quoted_key(first.name) : parse_name(first.text);
        if (!name)
            return fail("'" + printable(first.text) + "' is not a resource ID (a number from 1 to 65535, or a name)");
        auto type = second.quoted ? quoted_key(second.name) : parse_type(second.text);
        if (!type)
            return fail(
                "'" + printable(second.text) + "' is not a resource type (a number from 1 to 65535, or a name)");

        std::filesystem::path file = std::filesystem::path(rest);
        if (file.is_relative()) file = folder / file;
        if (!allow_outside && !lies_within(folder, file))
            return fail(printable(rest) +
                " lies outside the manifest's folder (velmor-res pack --allow-outside takes such files)");
        entries.push_back({*name, *type, language, file, number});
    }
    return entries;
}

}  // namespace velmor_res
