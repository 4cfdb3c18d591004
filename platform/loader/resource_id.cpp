#include "platform/loader/resource_id.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/kernel/case_fold.h"
#include "platform/kernel/utf.h"

namespace platform::loader {

namespace {

struct StandardType {
    const char* name;
    std::uint16_t number;
};

constexpr StandardType standard_types[] = {
    {"CURSOR", 1},
    {"BITMAP", 2},
    {"ICON", 3},
    {"MENU", 4},
    {"DIALOG", 5},
    {"STRING", 6},
    {"FONTDIR", 7},
    {"FONT", 8},
    {"ACCELERATOR", 9},
    {"RCDATA", 10},
    {"MESSAGETABLE", 11},
    {"GROUP_CURSOR", 12},
    {"GROUP_ICON", 14},
    {"VERSION", 16},
    {"DLGINCLUDE", 17},
    {"PLUGPLAY", 19},
    {"VXD", 20},
    {"ANICURSOR", 21},
    {"ANIICON", 22},
    {"HTML", 23},
    {"MANIFEST", 24},
};

std::optional<std::uint32_t> parse_number(std::u16string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char16_t c : text) {
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    return value;
}

}  // namespace

ResourceId ResourceId::from_number(std::uint16_t number)
{
    ResourceId id;
    id.number_ = number;
    return id;
}

ResourceId ResourceId::from_name(std::u16string name)
{
    ResourceId id;
    id.is_name_ = true;
    id.name_ = std::make_shared<const std::u16string>(std::move(name));
    return id;
}

const std::u16string& ResourceId::name() const
{
    static const std::u16string none;
    return name_ ? *name_ : none;
}

std::optional<ResourceId> ResourceId::from_win32(LPCWSTR key)
{
    if (!key) return std::nullopt;
    if (IS_INTRESOURCE(key)) return from_number(static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(key)));
    std::u16string_view text = text_view(key);
    if (!text.empty() && text[0] == u'#') {
        // Windows reads "#123" as decimal only.
        auto digits = text.substr(1);
        bool decimal = !digits.empty() && digits.size() <= 5 &&
            std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
        if (decimal) {
            auto value = parse_number(digits);
            if (value && *value <= 0xFFFF) return from_number(static_cast<std::uint16_t>(*value));
        }
    }
    return from_name(std::u16string(text));
}

std::optional<ResourceId> ResourceId::parse(std::u16string_view text)
{
    if (text.empty()) return std::nullopt;
    bool hashed = text[0] == u'#';
    auto digits = hashed ? text.substr(1) : text;
    bool numeric = !digits.empty() && digits[0] >= u'0' && digits[0] <= u'9';
    if (!numeric) {
        if (hashed) return std::nullopt;
        return from_name(std::u16string(text));
    }
    auto value = parse_number(digits);
    if (!value || *value == 0 || *value > 0xFFFF) return std::nullopt;
    return from_number(static_cast<std::uint16_t>(*value));
}

bool ResourceId::matches(const ResourceId& other) const
{
    if (is_name_ != other.is_name_) return false;
    if (!is_name_) return number_ == other.number_;
    return name_ == other.name_ || equal_ignoring_case(name(), other.name());
}

std::string ResourceId::to_string() const { return is_name_ ? to_utf8(name()) : std::to_string(number_); }

bool operator<(const ResourceId& a, const ResourceId& b)
{
    if (a.is_name_ != b.is_name_) return a.is_name_;
    if (!a.is_name_) return a.number_ < b.number_;
    const std::u16string& x_name = a.name();
    const std::u16string& y_name = b.name();
    // Capital letters decide the order, as they do for the Windows loader,
    // which compares the capitals the resource compiler stores. Folded
    // letters break the ties among capitals several letters share (I for
    // both i and ı), so names equal here are exactly the names that match.
    auto order_key = [](char16_t c) {
        char16_t folded = fold_case(c);
        return std::pair(upper_case(folded), folded);
    };
    return std::lexicographical_compare(x_name.begin(), x_name.end(), y_name.begin(), y_name.end(),
        [&order_key](char16_t x, char16_t y) { return order_key(x) < order_key(y); });
}

std::optional<std::uint16_t> standard_type_number(std::u16string_view name)
{
    if (name.size() > 3 && equal_ignoring_case(name.substr(0, 3), u"RT_")) name.remove_prefix(3);
    for (const auto& type : standard_types) {
        std::u16string type_name = from_utf8(type.name);
        if (equal_ignoring_case(name, type_name)) return type.number;
    }
    return std::nullopt;
}

const char* standard_type_name(std::uint16_t number)
{
    for (const auto& type : standard_types)
        if (type.number == number) return type.name;
    return nullptr;
}

}  // namespace platform::loader
