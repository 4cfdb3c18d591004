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
#include <utility>

#include "platform/include/wintypes.h"

namespace platform::files {

// Sets the host folder that stands for "\", creating it if needed. False when
// it cannot be created or is not a folder.
bool set_device_root(const std::filesystem::path& host_folder);

// The current device root (empty before set_device_root).
std::filesystem::path device_root();
// The device root as given (made absolute) and with its links resolved.
std::pair<std::filesystem::path, std::filesystem::path> device_root_paths();

// The host path for a CE path such as "\Windows\switch.wav" or
// "Program Files/Velmor". Existing components are matched case-insensitively;
// missing ones are kept as written; links are followed as the host would
// follow them, and the result is where they lead. std::nullopt when there is
// no device root, or when the path is malformed or would leave the device
// root.
std::optional<std::filesystem::path> map_path(std::u16string_view ce_path);

// Why map_path refused a path, so callers can report it the way the phone
// does (see error_code_of).
enum class PathError {
    none,
    no_device_root,  // set_device_root was never called
    invalid_name,  // empty, NUL, a character the phone forbids, a host path,
                   // an unpaired surrogate
    too_long,  // more than MAX_PATH - 1 characters, or a name over 255
    outside_root,  // ".." past "\", a link leading out, the runtime folder
    link_loop,  // more links on the way than the host follows
};

std::optional<std::filesystem::path> map_path(std::u16string_view ce_path, PathError& why);

// The phone's error code (ERROR_*) for a refused path.
DWORD error_code_of(PathError why);

// Why ce_path is refused, in a sentence that names the cause (the link and
// where it leads, the name at fault); empty when it is not refused.
std::string explain_refusal(std::u16string_view ce_path);

// The CE path ("\Program Files\Velmor\Velmor.exe") of a host path inside the
// device root; std::nullopt for a path outside it.
std::optional<std::u16string> ce_path_of(const std::filesystem::path& host_path);

// The folder for the phone's runtime state (named-mutex locks and the like),
// inside the device root but not visible as a CE path.
// Created on first use; empty without a device root.
std::filesystem::path runtime_folder();

// The name of the runtime folder inside the device root.
inline constexpr const char* runtime_folder_name = ".velmor-runtime";

}  // namespace platform::files
