// Whole-file operations shared by the Win32 calls and the C runtime's.
#pragma once

#include "platform/files/rooted_path.h"
#include "platform/include/wintypes.h"

namespace platform::files {

// Each returns ERROR_SUCCESS or the phone's error code and acts on the
// (folder, name) of its rooted paths, never following a link in the name.
DWORD delete_file(const RootedPath& path);
// Fails with ERROR_ALREADY_EXISTS rather than replacing an existing target.
DWORD move_path(const RootedPath& from, const RootedPath& to);
DWORD copy_file(const RootedPath& from, const RootedPath& to, bool fail_if_exists);

}  // namespace platform::files
