// How velmor-reg shows registry values and reads them from the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/kernel/result.h"
#include "platform/registry/registry_key.h"

namespace velmor_reg {

// "REG_SZ", "REG_DWORD" ... or "REG_0x1F" for types without a name.
std::string type_name(std::uint32_t type);
std::optional<std::uint32_t> type_from_name(std::string_view name);

// The value as reg.exe shows it: text for strings (REG_MULTI_SZ items joined
// with \0), 0x... for a DWORD, hex digits for the rest.
std::string display_value(const platform::registry::RegistryValue& value);

// Builds a value of the given type from /d data. REG_MULTI_SZ items are
// split at the separator (default the two characters \0). Bad data fails,
// saying what is wrong with it.
platform::Result<platform::registry::RegistryValue> value_from_text(
    std::uint32_t type, std::string_view data, std::string_view separator);

}  // namespace velmor_reg
