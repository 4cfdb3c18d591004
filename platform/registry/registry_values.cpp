// The value calls: reading, writing, deleting and enumerating the values of
// keys of the active hive. Values are kept as the exact bytes given.
#include <cstring>

#include "platform/include/winreg.h"
#include "platform/kernel/utf.h"
#include "platform/registry/registry_handles.h"
#include "platform/registry/registry_host.h"

using platform::registry::RegistryKey;
using platform::registry::RegistryValue;

namespace {

bool is_string_type(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The size rules of RegQueryValueExW: a null buffer asks for the size, a
// small one gives ERROR_MORE_DATA with the size needed.
LONG copy_value(const RegistryValue& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    if (lpType) *lpType = value.type;
    if (!lpcbData) return ERROR_SUCCESS;
    auto size = static_cast<DWORD>(value.data.size());
    if (!lpData) {
        *lpcbData = size;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(lpData, value.data.data(), size);
    // A string stored without its terminating zero would leave the caller's
    // buffer unterminated; add one when there is room (not counted in size).
    bool terminated = size >= 2 && size % 2 == 0 && value.data[size - 1] == 0 && value.data[size - 2] == 0;
    if (is_string_type(value.type) && size % 2 == 0 && !terminated && *lpcbData >= size + 2) {
        lpData[size] = 0;
        lpData[size + 1] = 0;
    }
    *lpcbData = size;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegQueryValueExW(
    HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved) return ERROR_INVALID_PARAMETER;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    const RegistryValue* value = key->find_value(platform::text_view(lpValueName));
    if (!value) return ERROR_FILE_NOT_FOUND;
    return copy_value(*value, lpType, lpData, lpcbData);
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    std::u16string_view name = platform::text_view(lpValueName);
    if (name.size() > platform::registry::max_value_name_length || !platform::registry::is_storable_name(name))
        return ERROR_INVALID_PARAMETER;
    if ((!lpData && cbData != 0) || cbData > platform::registry::max_value_size) return ERROR_INVALID_PARAMETER;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    RegistryValue value;
    value.type = dwType;
    if (cbData) value.data.assign(lpData, lpData + cbData);
    key->set_value(name, std::move(value));
    hive.mark_dirty();
    return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    if (!key->delete_value(platform::text_view(lpValueName))) return ERROR_FILE_NOT_FOUND;
    hive.mark_dirty();
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
    LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved) return ERROR_INVALID_PARAMETER;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    if (!lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
    if (dwIndex >= key->values().size()) return ERROR_NO_MORE_ITEMS;
    auto it = std::next(key->values().begin(), dwIndex);
    status = platform::registry::copy_name_out(it->first, lpValueName, lpcchValueName);
    if (status != ERROR_SUCCESS) return status;
    return copy_value(it->second, lpType, lpData, lpcbData);
}
