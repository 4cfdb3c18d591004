#include "platform/user/window_class.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/files/case_fold.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace platform::user {
namespace {

struct ClassRegistry {
    std::mutex mutex;
    std::map<std::u16string, std::shared_ptr<WindowClass>> by_name;  // folded names
    ATOM next_atom = 0xC000;
};

ClassRegistry& registry()
{
    static auto* instance = new ClassRegistry;
    return *instance;
}

std::shared_ptr<WindowClass> lookup(LPCWSTR name_or_atom)
{
    if (!name_or_atom) return nullptr;
    auto& classes = registry();
    std::lock_guard lock(classes.mutex);
    if (IS_INTRESOURCE(name_or_atom)) {
        auto atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name_or_atom));
        for (auto& [name, window_class] : classes.by_name)
            if (window_class->atom == atom) return window_class;
        return nullptr;
    }
    auto it = classes.by_name.find(files::fold_case(text_view(name_or_atom)));
    return it == classes.by_name.end() ? nullptr : it->second;
}

}  // namespace

std::shared_ptr<WindowClass> find_class(LPCWSTR name_or_atom)
{
    auto window_class = lookup(name_or_atom);
    if (!window_class) SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return window_class;
}

int copy_text_out(std::u16string_view text, LPWSTR buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    int count = static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1)));
    std::copy_n(text.data(), count, buffer);
    buffer[count] = 0;
    return count;
}

}  // namespace platform::user

using namespace platform::user;

ATOM RegisterClassW(const WNDCLASSW* lpWndClass)
{
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        lpWndClass->lpszClassName[0] == 0 || !lpWndClass->lpfnWndProc || lpWndClass->cbClsExtra < 0 ||
        lpWndClass->cbWndExtra < 0 || lpWndClass->cbWndExtra > 4096) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ensure_initialized();
    auto window_class = std::make_shared<WindowClass>();
    window_class->name = std::u16string(platform::text_view(lpWndClass->lpszClassName));
    window_class->style = lpWndClass->style;
    window_class->procedure = lpWndClass->lpfnWndProc;
    window_class->class_extra = lpWndClass->cbClsExtra;
    window_class->window_extra = lpWndClass->cbWndExtra;
    window_class->instance = lpWndClass->hInstance;
    window_class->background = lpWndClass->hbrBackground;

    auto& classes = registry();
    std::lock_guard lock(classes.mutex);
    auto key = platform::files::fold_case(window_class->name);
    if (classes.by_name.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (classes.next_atom == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    window_class->atom = classes.next_atom++;
    classes.by_name.emplace(key, window_class);
    return window_class->atom;
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE)
{
    auto window_class = lookup(lpClassName);
    if (!window_class) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (window_class->window_count > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    auto& classes = registry();
    std::lock_guard lock(classes.mutex);
    classes.by_name.erase(platform::files::fold_case(window_class->name));
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass)
{
    auto window_class = lookup(lpClassName);
    if (!window_class) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (!lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpWndClass = WNDCLASSW {};
    lpWndClass->style = window_class->style;
    lpWndClass->lpfnWndProc = window_class->procedure;
    lpWndClass->cbClsExtra = window_class->class_extra;
    lpWndClass->cbWndExtra = window_class->window_extra;
    lpWndClass->hInstance = window_class->instance;
    lpWndClass->hbrBackground = window_class->background;
    lpWndClass->lpszClassName = window_class->name.c_str();
    return TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount)
{
    auto window = find_window(hWnd);
    if (!window) return 0;
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return copy_text_out(window->window_class->name, lpClassName, nMaxCount);
}
