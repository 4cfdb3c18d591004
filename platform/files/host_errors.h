// Shared by the file functions: turning CE path arguments into host paths and
// host failures into the phone's error codes.
#pragma once

#include <filesystem>
#include <optional>

#include <sys/stat.h>

#include "platform/files/rooted_path.h"
#include "platform/include/wintypes.h"

namespace platform::files {

// The place of a CE path argument in the device root. On failure sets the
// last error (a null name is ERROR_INVALID_PARAMETER) and returns
// std::nullopt.
std::optional<RootedPath> resolve_argument(LPCWSTR ce_path, FinalLink final_link = FinalLink::follow);

// The phone's error for a failed host call on `path`. ENOENT is
// ERROR_FILE_NOT_FOUND when the containing folder exists and
// ERROR_PATH_NOT_FOUND when it does not, as the phone tells them apart.
DWORD error_from_errno(int error, const std::filesystem::path& path);

// The same for a call on (folder, name) of a rooted path: ENOENT is
// ERROR_PATH_NOT_FOUND only when a folder on the way is missing, and ELOOP
// (the name became a link after the walk) is refused as access denied.
DWORD error_from_errno(int error, const RootedPath& path);

// The errno a C runtime function reports for one of the phone's errors.
int errno_from_error(DWORD error);

// The phone's attributes of a host file: FILE_ATTRIBUTE_DIRECTORY for a
// folder, FILE_ATTRIBUTE_READONLY for a file its owner may not write, else
// FILE_ATTRIBUTE_NORMAL.
DWORD file_attributes_of(const struct stat& info);

// FILETIME (100 ns units since 1601) of a host time stamp.
FILETIME filetime_from(const struct timespec& time);

}  // namespace platform::files
