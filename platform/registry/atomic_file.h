// Replacing a file so that a crash or power loss at any moment leaves either
// the old contents or the new ones, never a mixture or an empty file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::registry {

// Writes contents to a temporary file in the same folder, flushes it to the
// disk, renames it over file and flushes the folder. On failure the old file
// is untouched, the temporary file is removed and error says why.
bool write_file_atomically(const std::filesystem::path& file, std::string_view contents, std::string& error);

}  // namespace platform::registry
