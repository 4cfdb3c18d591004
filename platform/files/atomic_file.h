// Replacing a file so that a crash or power loss at any moment leaves either
// the old contents or the new ones, never a mixture or an empty file.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/kernel/result.h"

namespace platform::files {

// How far a replacement goes. flushed: the new contents survive a power loss
// once the call returns. replaced: a reader sees the old file or the new one
// whole, but a crash may leave garbage under the name; for files that are
// checked when read and made again when damaged, where flushing each would
// cost more than the file saves.
enum class Durability { flushed, replaced };

// Writes the pieces, one after another, to a temporary file in the same
// folder and renames it over file (flushing the file and the folder when
// asked). On failure the old file is untouched, the temporary file is removed
// and the failure says why.
Result<void> write_file_atomically(const std::filesystem::path& file, std::initializer_list<std::string_view> pieces,
    Durability durability = Durability::flushed);
inline Result<void> write_file_atomically(
    const std::filesystem::path& file, std::string_view contents, Durability durability = Durability::flushed)
{
    return write_file_atomically(file, {contents}, durability);
}

// Removes the temporary files that writers killed in the middle of a write
// left beside file. Only those older than a minute go, so a write still in
// progress in another process is not disturbed.
void remove_stale_temporaries(const std::filesystem::path& file);

}  // namespace platform::files
