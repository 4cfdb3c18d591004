// Loading a hive from its file and saving it back.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/registry/hive.h"

namespace platform::registry {

// What to do with a hive file that cannot be read or parsed.
enum class MalformedFile {
    // The phone: move it aside as <file>.bad (or .bad.1, .bad.2 ...) and
    // start from the defaults.
    move_aside,
    // Tools: leave the file and the hive alone and report the failure.
    refuse,
};

struct LoadResult {
    bool ok = false;  // the hive holds the file's keys or the defaults
    bool used_defaults = false;
    std::filesystem::path moved_to;  // where a malformed file went
    std::string message;  // one line naming the file and the fault; empty when all went well
};

// Replaces the hive's keys with those of file and binds the hive to it.
// A missing file gives the defaults, which are written to it at once.
LoadResult load_hive_file(Hive& hive, const std::filesystem::path& file, std::string_view defaults_text,
    std::string_view defaults_name, MalformedFile policy);

// Parses defaults into the hive (no file involved); false with message when
// the defaults themselves are malformed.
bool load_hive_text(Hive& hive, std::string_view text, std::string_view name, std::string& message);

// Saves the hive to its file when it has changes. True when there was
// nothing to do (no changes, or a hive kept in memory only) or the write
// succeeded.
bool flush_hive(Hive& hive, std::string& error);

// Reads a whole file of at most max_hive_file_size bytes.
constexpr std::size_t max_hive_file_size = 256u << 20;
bool read_hive_bytes(const std::filesystem::path& file, std::string& bytes, std::string& error);

}  // namespace platform::registry
