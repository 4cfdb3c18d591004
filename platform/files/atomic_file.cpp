#include "platform/files/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {
namespace {

constexpr const char* temporary_suffix = ".tmp.XXXXXX";

std::string describe(const char* what, const std::filesystem::path& path)
{
    return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
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

bool write_file_atomically(const std::filesystem::path& file, std::string_view contents, std::string& error)
{
    std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::string temporary = (folder / (file.filename().string() + temporary_suffix)).string();
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = describe("cannot create a temporary file in", folder);
        return false;
    }
    // Keep the permissions of the file being replaced; mkstemp makes 0600,
    // and a new file is an ordinary one.
    struct stat old_status { };
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = ::stat(file.c_str(), &old_status) == 0 ? (old_status.st_mode & 07777) : (0666 & ~mask);
    bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, contents) && ::fsync(fd) == 0;
    if (!ok) error = describe("cannot write", temporary);
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = describe("cannot write", temporary);
    }
    if (ok && ::rename(temporary.c_str(), file.c_str()) != 0) {
        ok = false;
        error = describe("cannot replace", file);
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself is only durable once the folder is flushed.
    int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        ::fsync(folder_fd);
        ::close(folder_fd);
    }
    return true;
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
