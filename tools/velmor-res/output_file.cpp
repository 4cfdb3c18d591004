#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor_res {

bool write_file_atomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, std::string& error)
{
    std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::string pattern = (folder / ("." + file.filename().string() + ".tmp-XXXXXX")).string();
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        error = file.string() + ": cannot create a temporary file in " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    auto fail = [&](const char* what) {
        error = file.string() + ": " + what + ": " + std::strerror(errno);
        close(fd);
        unlink(pattern.c_str());
        return false;
    };
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return fail("cannot write");
        written += static_cast<std::size_t>(count);
    }
    // mkstemp makes the file private; an output is an ordinary file.
    mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0 || fsync(fd) != 0) return fail("cannot write");
    if (close(fd) != 0) {
        fd = -1;
        error = file.string() + ": cannot write: " + std::strerror(errno);
        unlink(pattern.c_str());
        return false;
    }
    if (std::rename(pattern.c_str(), file.c_str()) != 0) {
        error = file.string() + ": cannot replace the file: " + std::strerror(errno);
        unlink(pattern.c_str());
        return false;
    }
    return true;
}

}  // namespace velmor_res
