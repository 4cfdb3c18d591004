#include "manifest.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/kernel/utf.h"

namespace velmor_res {

using platform::loader::ResourceId;

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_space(text[begin])) ++begin;
    while (end > begin && is_space(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Takes the next token off the front of text: a run of non-spaces, or a
// "quoted" run. False for an unterminated quote.
bool next_token(std::string& text, std::string& token, bool& quoted)
{
    text = trim(text);
    quoted = !text.empty() && text[0] == '"';
    if (quoted) {
        auto close = text.find('"', 1);
        if (close == std::string::npos) return false;
        token = text.substr(1, close - 1);
        text.erase(0, close + 1);
        return true;
    }
    std::size_t end = 0;
    while (end < text.size() && !is_space(text[end])) ++end;
    token = text.substr(0, end);
    text.erase(0, end);
    return true;
}

bool plain_name_is_safe(const std::string& text, bool as_type)
{
    if (text.empty() || text.find('"') != std::string::npos) return false;
    for (char c : text)
        if (is_space(c)) return false;
    if (text[0] == '#' || (text[0] >= '0' && text[0] <= '9')) return false;
    return !(as_type && platform::loader::standard_type_number(platform::from_utf8(text)));
}

std::string key_token(const ResourceId& id, bool as_type)
{
    if (!id.is_name()) {
        if (as_type)
            if (const char* standard = platform::loader::standard_type_name(id.number())) return standard;
        return std::to_string(id.number());
    }
    std::string text = id.to_string();
    return plain_name_is_safe(text, as_type) ? text : "\"" + text + "\"";
}

}  // namespace

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

bool read_manifest(const std::filesystem::path& manifest, std::uint16_t default_language,
    std::vector<ManifestEntry>& entries, std::string& error)
{
    std::ifstream in(manifest, std::ios::binary);
    if (!in) {
        error = manifest.string() + ": cannot open the manifest";
        return false;
    }
    std::filesystem::path folder = manifest.parent_path();
    std::uint16_t language = default_language;
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& message) {
        error = manifest.string() + ":" + std::to_string(number) + ": " + message;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        std::string rest = trim(line);
        if (rest.empty() || rest[0] == '#') continue;
        std::string original = rest;

        std::string first, second;
        bool first_quoted = false, second_quoted = false;
        if (!next_token(rest, first, first_quoted) || !next_token(rest, second, second_quoted))
            return fail("a quote is not closed");
        rest = trim(rest);

        if (!first_quoted && rest.empty() && first == "LANGUAGE") {
            auto value = parse_language(second);
            if (!value) return fail("'" + second + "' is not a language number (such as 0x0409 or 0x0804)");
            language = *value;
            continue;
        }
        if (second.empty() || rest.empty()) return fail("expected 'ID TYPE FILE', found '" + original + "'");
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
        if (rest.empty()) return fail("the file name is empty");

        auto name = parse_name(first, first_quoted);
        if (!name) return fail("'" + first + "' is not a resource ID (a number from 1 to 65535, or a name)");
        auto type = parse_type(second, second_quoted);
        if (!type) return fail("'" + second + "' is not a resource type (a number from 1 to 65535, or a name)");

        std::filesystem::path file = std::filesystem::path(rest);
        if (file.is_relative()) file = folder / file;
        entries.push_back({*name, *type, language, file, number});
    }
    return true;
}

}  // namespace velmor_res
