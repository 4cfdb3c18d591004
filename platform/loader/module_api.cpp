// The Win32 module calls over the module registry.
#include <algorithm>

#include "platform/include/libloaderapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"
#include "platform/loader/module_registry.h"

using namespace platform;
using namespace platform::loader;

namespace {

constexpr DWORD known_load_flags = DONT_RESOLVE_DLL_REFERENCES | LOAD_LIBRARY_AS_DATAFILE |
    LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;

HMODULE load(LPCWSTR name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD error = 0;
    auto module = load_module(text_view(name), &error);
    if (!module) {
        SetLastError(error);
        return nullptr;
    }
    return *module;
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) { return load(lpLibFileName); }

HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    // Every library is loaded as data here, so the flags only need to be
    // ones Windows knows.
    if (hFile != nullptr || (dwFlags & ~known_load_flags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return load(lpLibFileName);
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    if (!free_module(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (!lpModuleName) return program_module();
    HMODULE module = find_module_by_name(text_view(lpModuleName));
    if (!module) SetLastError(ERROR_MOD_NOT_FOUND);
    return module;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    auto module = find_module(hModule);
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (!lpFilename) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string& path = module->ce_path;
    if (path.size() < nSize) {
        std::copy(path.begin(), path.end(), lpFilename);
        lpFilename[path.size()] = 0;
        return static_cast<DWORD>(path.size());
    }
    std::copy(path.begin(), path.begin() + (nSize - 1), lpFilename);
    lpFilename[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}
