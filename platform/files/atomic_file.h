// Replacing a file so that a crash or power loss at any moment leaves either
// the old contents or the new ones, never a mixture or an empty file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/kernel/result.h"

namespace platform::files {

// Writes contents to a temporary file in the same folder, flushes it to the
// disk, renames it over file and flushes the folder. On failure the old file
// is untouched, the temporary file is removed and the failure says why.
Result<void> write_file_atomically(const std::filesystem::path& file, std::string_view contents);

// Removes the temporary files that writers killed in the middle of a write
// left beside file. Only those older than a minute go, so a write still in
// progress in another process is not disturbed.
void remove_stale_temporaries(const std::filesystem::path& file);

}  // namespace platform::files
