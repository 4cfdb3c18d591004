// The phone's file system: a host folder, the device root, stands for "\".
//
// CE paths use backslashes and are case-insensitive; they are mapped into the
// device root, matching existing names without regard to case. Nothing maps
// outside the root: ".." that climbs past it, symbolic links that point
// outside it and absolute host paths are refused.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::files {

// Sets the host folder that stands for "\", creating it if needed. False when
// it cannot be created or is not a folder.
bool set_device_root(const std::filesystem::path& host_folder);

// The current device root (empty before set_device_root).
std::filesystem::path device_root();

// The host path for a CE path such as "\Windows\switch.wav" or
// "Program Files/Velmor". Existing components are matched case-insensitively;
// missing ones are kept as written. std::nullopt when there is no device
// root, or when the path is malformed or would leave the device root.
std::optional<std::filesystem::path> map_path(std::u16string_view ce_path);

// The CE path ("\Program Files\Velmor\Velmor.exe") of a host path inside the
// device root; std::nullopt for a path outside it.
std::optional<std::u16string> ce_path_of(const std::filesystem::path& host_path);

// The folder for the phone's runtime state (named-mutex locks and the like),
// inside the device root but not visible as a CE path.
std::filesystem::path runtime_folder();

}  // namespace platform::files
