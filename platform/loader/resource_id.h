// Keys of the resource tree: a type, a name or a language is either a 16-bit
// number or a string.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/include/wintypes.h"

namespace platform::loader {

class ResourceId {
public:
    ResourceId() = default;
    static ResourceId from_number(std::uint16_t number);
    static ResourceId from_name(std::u16string name);

    // The key a Win32 caller passes: a MAKEINTRESOURCE value, "#123" for the
    // number 123, or a string. Null has no key.
    static std::optional<ResourceId> from_win32(LPCWSTR key);

    // Reads a key written by a person: decimal or 0x-hex digits or "#123" are
    // numbers, anything else a name. Numbers must be 1..65535.
    static std::optional<ResourceId> parse(std::u16string_view text);

    bool is_name() const { return is_name_; }
    std::uint16_t number() const { return number_; }
    const std::u16string& name() const;
    // Whether both keys hold the very same name text, as copies of one key
    // do; a cheap way to skip comparing long names again.
    bool shares_name_with(const ResourceId& other) const { return is_name_ && name_ == other.name_; }

    // Numbers compare exactly; names ignore case, as the Windows loader does.
    bool matches(const ResourceId& other) const;

    // "101" or the name, for messages and listings.
    std::string to_string() const;

    // The order of entries in a resource directory: names first, ordered
    // without regard to case, then numbers ascending. The Windows loader
    // relies on it for its binary search.
    friend bool operator<(const ResourceId& a, const ResourceId& b);
    friend bool operator==(const ResourceId& a, const ResourceId& b) { return a.matches(b); }

private:
    bool is_name_ = false;
    std::uint16_t number_ = 0;
    // Shared, not copied: a resource directory may point many entries at one
    // long name, and every copy of a key would otherwise cost the whole name.
    std::shared_ptr<const std::u16string> name_;
};

// The standard resource types (RT_RCDATA = 10 is "RCDATA"); a leading "RT_" is
// accepted and case is ignored.
std::optional<std::uint16_t> standard_type_number(std::u16string_view name);
// "RCDATA" for 10; null for numbers without a standard name.
const char* standard_type_name(std::uint16_t number);

}  // namespace platform::loader
