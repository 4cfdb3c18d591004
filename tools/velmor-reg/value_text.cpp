#include "value_text.h"

#include <array>
#include <cstdio>

#include "platform/kernel/utf.h"

namespace velmor_reg {
namespace {

constexpr std::array<std::string_view, 12> type_names = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
    "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ", "REG_RESOURCE_LIST",
    "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};

std::u16string units_of(const std::vector<std::uint8_t>& data)
{
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return units;
}

void append_units(std::vector<std::uint8_t>& data, std::u16string_view units)
{
    for (char16_t c : units) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

// Command-line text must be valid UTF-8: a typo should not be stored as
// replacement characters.
bool utf16_of(std::string_view text, std::u16string& out)
{
    out = platform::from_utf8(text);
    return platform::to_utf8(out) == text;
}

}  // namespace

std::string type_name(std::uint32_t type)
{
    if (type < type_names.size()) return std::string(type_names[type]);
    char name[24];
    std::snprintf(name, sizeof name, "REG_0x%X", static_cast<unsigned>(type));
    return name;
}

std::optional<std::uint32_t> type_from_name(std::string_view name)
{
    for (std::size_t i = 0; i < type_names.size(); ++i)
        if (platform::registry::caseless_equal(platform::from_utf8(name), platform::from_utf8(type_names[i])))
            return static_cast<std::uint32_t>(i);
    return std::nullopt;
}

std::string display_value(const platform::registry::RegistryValue& value)
{
    const auto& data = value.data;
    if (value.type == 4 && data.size() == 4) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%x",
            static_cast<unsigned>(data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t(data[3]) << 24)));
        return text;
    }
    if ((value.type == 1 || value.type == 2 || value.type == 7) && data.size() % 2 == 0) {
        std::u16string units = units_of(data);
        while (!units.empty() && units.back() == 0) units.pop_back();
        std::u16string shown;
        for (char16_t c : units) {
            if (c == 0)
                shown += u"\\0";
            else
                shown += c;
        }
        return platform::to_utf8(shown);
    }
    std::string out;
    for (std::uint8_t byte : data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        out += digits;
    }
    return out;
}

platform::Result<platform::registry::RegistryValue> value_from_text(
    std::uint32_t type, std::string_view data, std::string_view separator)
{
    platform::registry::RegistryValue value;
    value.type = type;
    if (type == 1 || type == 2 || type == 7) {
        std::u16string text;
        if (!utf16_of(data, text)) return platform::Failure {"the data is not valid UTF-8 text"};
        if (type == 7) {
            std::u16string sep = platform::from_utf8(separator.empty() ? "\\0" : separator);
            std::size_t start = 0;
            while (!text.empty()) {
                std::size_t end = text.find(sep, start);
                append_units(value.data, std::u16string_view(text).substr(start, end - start));
                value.data.push_back(0);
                value.data.push_back(0);
                if (end == std::u16string::npos) break;
                start = end + sep.size();
            }
        } else {
            append_units(value.data, text);
        }
        value.data.push_back(0);
        value.data.push_back(0);
        return value;
    }
    if (type == 4) {
        std::string digits(data.empty() ? "0" : data);
        int base = 10;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits.erase(0, 2);
            base = 16;
        }
        std::uint64_t number = 0;
        bool ok = !digits.empty() && digits.size() <= 10;
        for (char c : digits) {
            int digit = (c >= '0' && c <= '9')         ? c - '0'
                : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (base == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                       : -1;
            if (digit < 0) ok = false;
            number = number * base + static_cast<unsigned>(digit < 0 ? 0 : digit);
        }
        if (!ok || number > 0xFFFFFFFFu)
            return platform::Failure {"bad REG_DWORD data \"" + std::string(data) +
                "\": expected a number from 0 to 4294967295, decimal or 0x hex"};
        for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<std::uint8_t>(number >> shift));
        return value;
    }
    // Everything else is given as hex digits, two per byte.
    auto digit_of = [](char c) {
        return (c >= '0' && c <= '9') ? c - '0'
            : (c >= 'a' && c <= 'f')  ? c - 'a' + 10
            : (c >= 'A' && c <= 'F')  ? c - 'A' + 10
                                      : -1;
    };
    platform::Failure bad_hex {
        "bad " + type_name(type) + " data \"" + std::string(data) + "\": expected hex digits, two per byte"};
    if (data.size() % 2 != 0) return bad_hex;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        int high = digit_of(data[i]), low = digit_of(data[i + 1]);
        if (high < 0 || low < 0) return bad_hex;
        value.data.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return value;
}

}  // namespace velmor_reg
