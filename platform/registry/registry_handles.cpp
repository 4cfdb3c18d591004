#include "platform/registry/registry_handles.h"

#include <cstring>

#include "platform/kernel/handle_table.h"
#include "platform/registry/registry_host.h"

namespace platform::registry {
namespace {

HandleTable<RegistryKey>& open_keys()
{
    static HandleTable<RegistryKey>* table = new HandleTable<RegistryKey>(0x4000);
    return *table;
}

}  // namespace

LONG resolve_key_handle(HKEY handle, std::shared_ptr<RegistryKey>& key)
{
    auto raw = reinterpret_cast<std::uintptr_t>(handle);
    if (auto root = root_key_from_handle_value(raw)) {
        key = active_hive().root(*root);
        return ERROR_SUCCESS;
    }
    std::uint32_t value = handle_value(handle);
    key = value == 0 ? nullptr : open_keys().find(value);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted()) return ERROR_KEY_DELETED;
    return ERROR_SUCCESS;
}

HKEY insert_key_handle(std::shared_ptr<RegistryKey> key)
{
    return handle_from_value<HKEY>(open_keys().insert(std::move(key)));
}

LONG close_key_handle(HKEY handle)
{
    if (root_key_from_handle_value(reinterpret_cast<std::uintptr_t>(handle))) return ERROR_SUCCESS;
    std::uint32_t value = handle_value(handle);
    return value != 0 && open_keys().remove(value) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG copy_name_out(std::u16string_view name, LPWSTR buffer, LPDWORD count)
{
    if (!buffer || !count) return ERROR_INVALID_PARAMETER;
    if (*count <= name.size()) {
        *count = static_cast<DWORD>(name.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = 0;
    *count = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace platform::registry
