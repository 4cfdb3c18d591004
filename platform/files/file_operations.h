// Whole-file operations shared by the Win32 calls and the C runtime's.
#pragma once

#include <filesystem>

#include "platform/include/wintypes.h"

namespace platform::files {

// Each returns ERROR_SUCCESS or the phone's error code; none follows a link
// out of the device root, since the paths come from map_path.
DWORD delete_file(const std::filesystem::path& path);
// Fails with ERROR_ALREADY_EXISTS rather than replacing an existing target.
DWORD move_path(const std::filesystem::path& from, const std::filesystem::path& to);
DWORD copy_file(const std::filesystem::path& from, const std::filesystem::path& to, bool fail_if_exists);

}  // namespace platform::files
