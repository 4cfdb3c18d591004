#include "platform/files/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {
namespace {

constexpr const char* temporary_suffix = ".tmp.XXXXXX";

Failure describe(const char* what, const std::filesystem::path& path)
{
    return failure_at(path.string(), std::string(what) + ": " + std::strerror(errno));
}

bool write_all(int fd, std::string_view contents)
{
    while (!contents.empty()) {
        ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

Result<void> write_file_atomically(
    const std::filesystem::path& file, std::initializer_list<std::string_view> pieces, Durability durability)
{
    bool flushed = durability == Durability::flushed;
    std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::string temporary = (folder / (file.filename().string() + temporary_suffix)).string();
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return describe("cannot create a temporary file in this folder", folder);
    // Keep the permissions of the file being replaced; mkstemp makes 0600,
    // and a new file is an ordinary one.
    struct stat old_status { };
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = ::stat(file.c_str(), &old_status) == 0 ? (old_status.st_mode & 07777) : (0666 & ~mask);
    std::optional<Failure> failure;
    bool written = ::fchmod(fd, mode) == 0;
    for (std::string_view piece : pieces) written = written && write_all(fd, piece);
    if (!written || (flushed && ::fsync(fd) != 0)) failure = describe("cannot write the temporary file", temporary);
    if (::close(fd) != 0 && !failure) failure = describe("cannot write the temporary file", temporary);
    if (!failure && ::rename(temporary.c_str(), file.c_str()) != 0)
        failure = describe("cannot replace it with the new contents", file);
    if (failure) {
        ::unlink(temporary.c_str());
        return *failure;
    }
    if (!flushed) return {};
    // The rename itself is only durable once the folder is flushed.
    int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        ::fsync(folder_fd);
        ::close(folder_fd);
    }
    return {};
}

void remove_stale_temporaries(const std::filesystem::path& file)
{
    std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::string prefix = file.filename().string() + ".tmp.";
    std::size_t expected_length = prefix.size() + 6;
    auto cutoff = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1);
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(folder, code)) {
        std::string name = entry.path().filename().string();
        if (name.size() != expected_length || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (!entry.is_regular_file(code) || entry.last_write_time(code) > cutoff) continue;
        std::filesystem::remove(entry.path(), code);
    }
}

}  // namespace platform::files
