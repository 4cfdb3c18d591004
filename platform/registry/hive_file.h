// Loading a hive from its file and saving it back.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/kernel/result.h"
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

// A hive that loaded: from its file, or from the defaults.
struct LoadedHive {
    bool used_defaults = false;
    std::filesystem::path moved_to;  // where a malformed file went
    // What went wrong on the way and how the load got past it, naming the
    // file ("registry.reg:4: expected ...; moved to registry.reg.bad,
    // starting from the defaults"); empty when all went well. The phone
    // prints it; the hive is usable either way.
    std::optional<Failure> setback;
};

// Replaces the hive's keys with those of file and binds the hive to it.
// A missing file gives the defaults, which are written to it at once. Fails
// only when the policy is to refuse a malformed file; the phone's policy
// recovers and says how in the setback.
Result<LoadedHive> load_hive_file(Hive& hive, const std::filesystem::path& file, std::string_view defaults_text,
    std::string_view defaults_name, MalformedFile policy);

// Parses defaults into the hive (no file involved). Fails, naming the line
// in name, when the defaults themselves are malformed; the hive is then
// left empty.
Result<void> load_hive_text(Hive& hive, std::string_view text, std::string_view name);

// Saves the hive to its file when it has changes. Succeeds when there was
// nothing to do (no changes, or a hive kept in memory only) or the write
// succeeded.
Result<void> flush_hive(Hive& hive);

// Reads a whole file of at most max_hive_file_size bytes. A failure
// concerns the file.
constexpr std::size_t max_hive_file_size = 256u << 20;
Result<std::string> read_hive_bytes(const std::filesystem::path& file);

}  // namespace platform::registry
