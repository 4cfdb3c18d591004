// Key handles of the Reg* calls: the predefined roots, and small table values
// for opened keys (never host pointers, so they fit in 32 bits).
#pragma once

#include <memory>
#include <string_view>

#include "platform/include/winreg.h"
#include "platform/registry/registry_key.h"

namespace platform::registry {

// The key behind a handle, with ERROR_SUCCESS, ERROR_INVALID_HANDLE for a
// closed or unknown handle, or ERROR_KEY_DELETED. The caller holds the
// active hive's lock.
LONG resolve_key_handle(HKEY handle, std::shared_ptr<RegistryKey>& key);

HKEY insert_key_handle(std::shared_ptr<RegistryKey> key);

// ERROR_SUCCESS for an open handle (and for a predefined root, which needs
// no closing), else ERROR_INVALID_HANDLE.
LONG close_key_handle(HKEY handle);

// Copies a key or value name into a caller's buffer of *count characters,
// terminated; ERROR_MORE_DATA with the needed length (without terminator)
// in *count when it does not fit.
LONG copy_name_out(std::u16string_view name, LPWSTR buffer, LPDWORD count);

// Values longer than this are refused: the hive file must stay loadable.
constexpr std::size_t max_value_size = 1u << 20;

}  // namespace platform::registry
