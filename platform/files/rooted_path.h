// A place in the phone's file system, pinned inside the device root: the
// host folder that holds it, kept open, and its name in that folder.
//
// Resolving a CE path walks it one component at a time from the root, the
// way the host's open would, and follows links itself, dangling ones
// included; a link that leads out of the root, ".." above it or a loop of
// links ends the walk. The file calls then act on (folder, name) with the
// host's *at() functions and never follow a link in the name, so a component
// swapped for a link after the walk cannot lead them out either.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files/device_root.h"
#include "platform/kernel/result.h"

namespace platform::files {

// Whether the last component is followed when it is a link: opening and
// creating follow it, deleting, renaming and making a folder act on the link.
enum class FinalLink { follow, keep };

class RootedPath {
public:
    RootedPath() = default;
    RootedPath(int folder, std::string name, std::filesystem::path host_path);
    ~RootedPath();
    RootedPath(RootedPath&& other) noexcept;
    RootedPath& operator=(RootedPath&& other) noexcept;
    RootedPath(const RootedPath&) = delete;
    RootedPath& operator=(const RootedPath&) = delete;

    // The open folder (a path-only descriptor); -1 when a folder on the way
    // does not exist, which the calls report as ERROR_PATH_NOT_FOUND.
    int folder() const { return folder_; }
    // The name in that folder: "." for the device root itself.
    const std::string& name() const { return name_; }
    // The host path the walk arrived at, links resolved; for messages and
    // for readers that open by path.
    const std::filesystem::path& host_path() const { return host_path_; }
    bool is_root() const { return name_ == "."; }

    // The same folder with another name in it (a rename that only changes
    // the case of the name).
    RootedPath with_name(std::string name) const;

private:
    int folder_ = -1;
    std::string name_;
    std::filesystem::path host_path_;
};

// Walks ce_path inside the device root. A refusal is a sentence naming the
// cause (the link and where it leads, the name at fault), with its kind in
// why for the phone's error code.
Result<RootedPath> resolve_rooted(std::u16string_view ce_path, FinalLink final_link, PathError& why);

// Follows the entry `name` of an open folder (a link is followed, as an open
// would) from where that folder really is, not from a path to it that may
// since lead elsewhere. folder_host_path is the folder's place as a walk
// reached it. Refuses as resolve_rooted does, and a folder that is no longer
// at that place in the device root.
Result<RootedPath> resolve_in_folder(
    int folder, const std::filesystem::path& folder_host_path, const std::string& name, PathError& why);

}  // namespace platform::files
