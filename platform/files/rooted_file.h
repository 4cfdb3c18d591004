// A phone file opened for reading by the platform itself (libraries, sounds,
// pictures) the way CreateFileW opens one: walked inside the device root,
// opened relative to the walked folder without following a link in the
// name, and checked after the open to be a plain file. A link swapped in
// after the walk cannot lead the read out of the root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/include/wintypes.h"
#include "platform/kernel/result.h"

namespace platform::files {

class RootedFile {
public:
    // Opens ce_path for reading. A failure says why in a sentence; the
    // phone's error for the caller's SetLastError goes to *win32_error
    // (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, a refused path's error,
    // ERROR_ACCESS_DENIED for a folder, a device or a link that took the
    // name's place).
    static Result<RootedFile> open(std::u16string_view ce_path, DWORD* win32_error = nullptr);

    ~RootedFile();
    RootedFile(RootedFile&& other) noexcept;
    RootedFile& operator=(RootedFile&& other) noexcept;
    RootedFile(const RootedFile&) = delete;
    RootedFile& operator=(const RootedFile&) = delete;

    // Where the walk arrived, links resolved: for messages and for telling
    // two names of one file apart.
    const std::filesystem::path& host_path() const { return host_path_; }
    std::uint64_t size() const { return size_; }
    // The host's identity of the file opened (device and inode), the same
    // for every name that leads to it.
    std::string identity() const;

    // Reads the whole file; refuses one larger than limit bytes.
    Result<std::vector<std::uint8_t>> read_all(std::uint64_t limit) const;

private:
    RootedFile(
        int descriptor, std::filesystem::path host_path, std::uint64_t size, std::uint64_t device, std::uint64_t inode);
    int descriptor_ = -1;
    std::filesystem::path host_path_;
    std::uint64_t size_ = 0;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
};

}  // namespace platform::files
