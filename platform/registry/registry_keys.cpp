// The key calls: opening, creating, deleting, enumerating, flushing and
// closing keys of the active hive.
#include <cstdio>

#include "platform/include/winreg.h"
#include "platform/kernel/utf.h"
#include "platform/registry/registry_handles.h"
#include "platform/registry/registry_host.h"

using platform::registry::RegistryKey;

namespace {

// Walks a relative path from a key; ERROR_FILE_NOT_FOUND when a part is
// missing, ERROR_BAD_PATHNAME when the path itself is malformed.
LONG walk(std::shared_ptr<RegistryKey>& key, std::u16string_view path)
{
    std::vector<std::u16string_view> components;
    if (!platform::registry::split_key_path(path, components)) return ERROR_BAD_PATHNAME;
    for (auto component : components) {
        key = key->find_subkey(component);
        if (!key) return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status == ERROR_SUCCESS) status = walk(key, platform::text_view(lpSubKey));
    if (status == ERROR_SUCCESS) *phkResult = platform::registry::insert_key_handle(std::move(key));
    return status;
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions, REGSAM, LPSECURITY_ATTRIBUTES,
    PHKEY phkResult, LPDWORD lpdwDisposition)
{
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::u16string_view> components;
    if (!platform::registry::split_key_path(platform::text_view(lpSubKey), components)) return ERROR_BAD_PATHNAME;
    if (key->depth() + components.size() > platform::registry::max_key_depth) return ERROR_BAD_PATHNAME;
    bool created = false;
    for (auto component : components) {
        bool created_here = false;
        key = key->create_subkey(component, created_here);
        if (created_here && (dwOptions & REG_OPTION_VOLATILE)) key->set_volatile(true);
        created = created || created_here;
    }
    if (created) hive.mark_dirty();
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = platform::registry::insert_key_handle(std::move(key));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) { return platform::registry::close_key_handle(hKey); }

LONG RegFlushKey(HKEY hKey)
{
    auto& hive = platform::registry::active_hive();
    {
        std::lock_guard lock(hive.mutex());
        std::shared_ptr<RegistryKey> key;
        LONG status = platform::registry::resolve_key_handle(hKey, key);
        if (status != ERROR_SUCCESS) return status;
    }
    auto saved = platform::registry::flush_hive(hive);
    if (saved) return ERROR_SUCCESS;
    std::fprintf(stderr, "velmor: registry not saved: %s\n", saved.failure().text().c_str());
    return ERROR_CANTWRITE;
}

// Deletes the key and everything below it, as the phone does.
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status == ERROR_SUCCESS) status = walk(key, platform::text_view(lpSubKey));
    if (status != ERROR_SUCCESS) return status;
    RegistryKey* parent = key->parent();
    if (!parent) return ERROR_ACCESS_DENIED;  // a root key
    parent->delete_subkey(key->name());
    hive.mark_dirty();
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
    LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    if (dwIndex >= key->subkeys().size()) return ERROR_NO_MORE_ITEMS;
    auto it = std::next(key->subkeys().begin(), dwIndex);
    status = platform::registry::copy_name_out(it->second->name(), lpName, lpcchName);
    if (status != ERROR_SUCCESS) return status;
    // Keys carry no class names.
    if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = 0;
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME {0, 0};
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
    LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
    LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime)
{
    if (lpReserved) return ERROR_INVALID_PARAMETER;
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key;
    LONG status = platform::registry::resolve_key_handle(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    DWORD longest_key = 0, longest_name = 0, largest_value = 0;
    for (const auto& [name, subkey] : key->subkeys()) longest_key = std::max<DWORD>(longest_key, name.size());
    for (const auto& [name, value] : key->values()) {
        longest_name = std::max<DWORD>(longest_name, name.size());
        largest_value = std::max<DWORD>(largest_value, value.data.size());
    }
    if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = 0;
    if (lpcchClass) *lpcchClass = 0;
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key->subkeys().size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = longest_key;
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = static_cast<DWORD>(key->values().size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = longest_name;
    if (lpcbMaxValueLen) *lpcbMaxValueLen = largest_value;
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME {0, 0};
    return ERROR_SUCCESS;
}
