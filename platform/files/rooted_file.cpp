#include "platform/files/rooted_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/files/device_root.h"
#include "platform/files/host_errors.h"
#include "platform/files/rooted_path.h"
#include "platform/include/winerror.h"
#include "platform/kernel/utf.h"

namespace platform::files {

RootedFile::RootedFile(
    int descriptor, std::filesystem::path host_path, std::uint64_t size, std::uint64_t device, std::uint64_t inode)
    : descriptor_(descriptor)
    , host_path_(std::move(host_path))
    , size_(size)
    , device_(device)
    , inode_(inode)
{
}

RootedFile::~RootedFile()
{
    if (descriptor_ >= 0) ::close(descriptor_);
}

RootedFile::RootedFile(RootedFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1))
    , host_path_(std::move(other.host_path_))
    , size_(other.size_)
    , device_(other.device_)
    , inode_(other.inode_)
{
}

RootedFile& RootedFile::operator=(RootedFile&& other) noexcept
{
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        host_path_ = std::move(other.host_path_);
        size_ = other.size_;
        device_ = other.device_;
        inode_ = other.inode_;
    }
    return *this;
}

Result<RootedFile> RootedFile::open(std::u16string_view ce_path, DWORD* win32_error)
{
    auto fail = [&](DWORD code, std::string text) -> Result<RootedFile> {
        if (win32_error) *win32_error = code;
        return Failure {std::move(text)};
    };
    PathError refusal {};
    auto path = resolve_rooted(ce_path, FinalLink::follow, refusal);
    if (!path) return fail(error_code_of(refusal), path.failure().text());
    if (path->folder() < 0) return fail(ERROR_PATH_NOT_FOUND, "a folder on the way to it does not exist");
    // No link is followed in the name: one there now was swapped in after
    // the walk. A pipe must not block the open.
    int descriptor =
        ::openat(path->folder(), path->name().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        int failure = errno;
        if (failure == ELOOP)
            return fail(ERROR_ACCESS_DENIED,
                path->host_path().string() + " became a link after its path was checked; it is not followed");
        return fail(error_from_errno(failure, *path), std::strerror(failure));
    }
    struct stat info { };
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return fail(ERROR_ACCESS_DENIED, path->host_path().string() + " is not a file");
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return RootedFile(descriptor, path->host_path(), std::uint64_t(info.st_size), std::uint64_t(info.st_dev),
        std::uint64_t(info.st_ino));
}

std::string RootedFile::identity() const { return std::to_string(device_) + ":" + std::to_string(inode_); }

Result<std::vector<std::uint8_t>> RootedFile::read_all(std::uint64_t limit) const
{
    if (size_ > limit)
        return Failure {"the file is " + std::to_string(size_) + " bytes, more than " + std::to_string(limit)};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size_));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::pread(descriptor_, bytes.data() + done, bytes.size() - done, off_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return Failure {got < 0 ? std::strerror(errno) : "the file became shorter while it was read"};
        done += std::size_t(got);
    }
    return bytes;
}

}  // namespace platform::files
