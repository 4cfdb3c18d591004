// The Win32 resource calls over the module registry. A found resource is a
// small handle value; the loaded resource is a pointer straight into the
// module's bytes, which stay in memory while the module is loaded.
#include <cstring>

#include "platform/include/libloaderapi.h"
#include "platform/include/winbase.h"
#include "platform/loader/module_registry.h"

using namespace platform;
using namespace platform::loader;

namespace {

constexpr WORD language_neutral = 0;

HRSRC find(HMODULE handle, LPCWSTR name, LPCWSTR type, const WORD* language)
{
    auto module = find_module(handle);
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const PeReader* reader = module->reader.get();
    if (!reader || !reader->has_resource_directory()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    auto type_id = ResourceId::from_win32(type);
    if (!type_id || !reader->has_type(*type_id)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    auto name_id = ResourceId::from_win32(name);
    const PeResource* resource = name_id ? reader->find(*type_id, *name_id) : nullptr;
    if (!resource) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (language && *language != language_neutral) {
        resource = reader->find(*type_id, *name_id, *language);
        if (!resource) {
            SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
            return nullptr;
        }
    }
    HRSRC found = resource_handle(handle, static_cast<std::size_t>(resource - reader->resources().data()));
    if (!found) SetLastError(ERROR_INVALID_HANDLE);  // unloaded meanwhile by another thread
    return found;
}

// The resource behind a handle, checked against the module the caller names.
const PeResource* resolve(HMODULE handle, HRSRC resource_info, std::shared_ptr<Module>& owner)
{
    std::size_t index = 0;
    owner = find_resource(resource_info, &index);
    if (!owner || (handle && find_module(handle) != owner)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &owner->reader->resources()[index];
}

}  // namespace

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) { return find(hModule, lpName, lpType, nullptr); }

HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    return find(hModule, lpName, lpType, &wLanguage);
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    std::shared_ptr<Module> owner;
    const PeResource* resource = resolve(hModule, hResInfo, owner);
    if (!resource) return nullptr;
    return const_cast<std::uint8_t*>(owner->reader->data(*resource).data());
}

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    std::shared_ptr<Module> owner;
    const PeResource* resource = resolve(hModule, hResInfo, owner);
    return resource ? resource->size : 0;
}

LPVOID LockResource(HGLOBAL hResData) { return hResData; }

// Resources live as long as their module; Win32 reports FALSE here too.
BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cchBufferMax > 0) lpBuffer[0] = 0;
    // Strings come in tables of sixteen, each a count followed by UTF-16.
    HRSRC block = FindResourceW(hInstance, MAKEINTRESOURCE((uID >> 4) + 1), RT_STRING);
    if (!block) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(LoadResource(hInstance, block));
    DWORD size = SizeofResource(hInstance, block);
    if (!bytes) return 0;
    std::size_t at = 0;
    std::size_t length = 0;
    for (UINT i = 0;; ++i) {
        if (size - at < 2) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return 0;
        }
        length = bytes[at] | (bytes[at + 1] << 8);
        at += 2;
        if (i == (uID & 15)) break;
        if (size - at < 2 * length) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return 0;
        }
        at += 2 * length;
    }
    if (length == 0 || size - at < 2 * length) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    if (cchBufferMax == 0) {
        // A pointer into the table; only possible where the text is aligned.
        if (reinterpret_cast<std::uintptr_t>(bytes + at) % alignof(WCHAR) != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const WCHAR* text = reinterpret_cast<const WCHAR*>(bytes + at);
        std::memcpy(lpBuffer, &text, sizeof text);
        return static_cast<int>(length);
    }
    std::size_t copied = std::min<std::size_t>(length, static_cast<std::size_t>(cchBufferMax) - 1);
    for (std::size_t i = 0; i < copied; ++i)
        lpBuffer[i] = static_cast<WCHAR>(bytes[at + 2 * i] | (bytes[at + 2 * i + 1] << 8));
    lpBuffer[copied] = 0;
    return static_cast<int>(copied);
}
