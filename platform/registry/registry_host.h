// What the host does with the phone's registry: load it at start-up, save it
// at shut-down. The Reg* calls work on active_hive(); until the host loads a
// file it is an empty hive kept in memory.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/registry/hive.h"
#include "platform/registry/hive_file.h"

namespace platform::registry {

Hive& active_hive();

// The registry the phone ships with (assets/registry/defaults.reg).
std::string_view shipped_defaults();

// The hive file of the device root, "\registry.reg"; empty without a root.
std::filesystem::path device_registry_file();

// Loads file as the phone's registry. A missing file starts from the
// defaults; a malformed one is moved aside with exactly one error line on
// standard error (the setback). The hive is saved at exit if it still has
// changes then.
Result<LoadedHive> load(const std::filesystem::path& file, std::string_view defaults_text = shipped_defaults(),
    std::string_view defaults_name = "the shipped defaults");
Result<LoadedHive> load_with_defaults_file(
    const std::filesystem::path& file, const std::filesystem::path& defaults_file);
// load() of device_registry_file() with the shipped defaults. Without a
// usable file the registry is kept in memory, and the setback says why.
Result<LoadedHive> load_device_registry();

// Saves pending changes and detaches the file; later changes stay in memory.
// Errors go to standard error. Safe to call more than once.
void shutdown();

}  // namespace platform::registry
