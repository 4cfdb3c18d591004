// The registered window classes, found by name (ignoring case) or atom.
#pragma once

#include "platform/user/window.h"

namespace platform::user {

// Sets ERROR_CANNOT_FIND_WND_CLASS when there is none.
std::shared_ptr<WindowClass> find_class(LPCWSTR name_or_atom);

// Copies text into buffer as the Get...TextW calls do: at most size - 1
// characters and a terminator; returns the characters copied.
int copy_text_out(std::u16string_view text, LPWSTR buffer, int size);

}  // namespace platform::user
