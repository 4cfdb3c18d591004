// Deleting, moving, copying and the folders of the phone's file system.
#include "platform/files/file_operations.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/files/file_object.h"
#include "platform/files/host_errors.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace platform::files {
namespace {

BOOL result(DWORD error)
{
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

// Open handles that do not share deletion keep a file from being deleted or
// renamed, as on the phone.
bool locked_by_open_handle(const RootedPath& path)
{
    struct stat info { };
    if (::fstatat(path.folder(), path.name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    return !OpenFileTable::instance().allows_delete(FileIdentity {info.st_dev, info.st_ino});
}

bool read_only(const struct stat& info) { return !(info.st_mode & S_IWUSR); }

// Copies the bytes of one descriptor to another; false with errno set.
bool copy_bytes(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        ssize_t count = ::read(from, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) return true;
        for (ssize_t done = 0; done < count;) {
            ssize_t written = ::write(to, buffer + done, static_cast<size_t>(count - done));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                if (written == 0) errno = EIO;
                return false;
            }
            done += written;
        }
    }
}

}  // namespace

DWORD delete_file(const RootedPath& path)
{
    if (path.folder() < 0) return ERROR_PATH_NOT_FOUND;
    struct stat info { };
    if (::fstatat(path.folder(), path.name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return error_from_errno(errno, path);
    if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
    if (!S_ISLNK(info.st_mode) && read_only(info)) return ERROR_ACCESS_DENIED;
    if (locked_by_open_handle(path)) return ERROR_SHARING_VIOLATION;
    if (::unlinkat(path.folder(), path.name().c_str(), 0) != 0) return error_from_errno(errno, path);
    return ERROR_SUCCESS;
}

DWORD move_path(const RootedPath& from, const RootedPath& to)
{
    if (from.folder() < 0) return ERROR_PATH_NOT_FOUND;
    struct stat info { };
    if (::fstatat(from.folder(), from.name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return error_from_errno(errno, from);
    if (from.is_root() || to.is_root()) return ERROR_ACCESS_DENIED;
    if (locked_by_open_handle(from)) return ERROR_SHARING_VIOLATION;
    if (from.host_path() == to.host_path()) return ERROR_SUCCESS;
    // The source exists, so a missing folder is the target's.
    if (to.folder() < 0) return ERROR_PATH_NOT_FOUND;
    // The kernel refuses to replace the target, so a file that appears
    // between a check and the rename is never lost.
    const char* from_name = from.name().c_str();
    const char* to_name = to.name().c_str();
    if (::renameat2(from.folder(), from_name, to.folder(), to_name, RENAME_NOREPLACE) == 0) return ERROR_SUCCESS;
    int error = errno;
    if (error == EINVAL) {
        // A host file system without the no-replace flag (or a folder moved
        // into itself, which rename refuses too): check, then rename.
        struct stat target { };
        if (::fstatat(to.folder(), to_name, &target, AT_SYMLINK_NOFOLLOW) == 0) return ERROR_ALREADY_EXISTS;
        if (::renameat(from.folder(), from_name, to.folder(), to_name) == 0) return ERROR_SUCCESS;
        error = errno;
    }
    if (error == EEXIST || error == ENOTEMPTY) return ERROR_ALREADY_EXISTS;
    if (error == ENOENT) return ERROR_PATH_NOT_FOUND;
    return error_from_errno(error, to);
}

DWORD copy_file(const RootedPath& from, const RootedPath& to, bool fail_if_exists)
{
    if (from.folder() < 0) return ERROR_PATH_NOT_FOUND;
    int source = ::openat(from.folder(), from.name().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (source < 0) return error_from_errno(errno, from);
    struct stat info { };
    if (::fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(source);
        return ERROR_ACCESS_DENIED;
    }
    if (to.folder() < 0) {
        ::close(source);
        return ERROR_PATH_NOT_FOUND;
    }
    struct stat existing { };
    if (::fstatat(to.folder(), to.name().c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        DWORD refusal = ERROR_SUCCESS;
        if (fail_if_exists)
            refusal = ERROR_FILE_EXISTS;
        else if (!S_ISREG(existing.st_mode) || read_only(existing))
            refusal = ERROR_ACCESS_DENIED;
        else if (existing.st_dev == info.st_dev && existing.st_ino == info.st_ino)
            refusal = ERROR_SHARING_VIOLATION;
        else if (locked_by_open_handle(to))
            refusal = ERROR_SHARING_VIOLATION;
        if (refusal != ERROR_SUCCESS) {
            ::close(source);
            return refusal;
        }
    }

    // The copy is written beside the target and renamed over it, so a
    // failed copy (a full disk) leaves the old target as it was.
    std::string temporary;
    int target = -1;
    for (int attempt = 0; attempt < 100 && target < 0; ++attempt) {
        temporary = ".velmor-copy-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + "-" + to.name();
        if (temporary.size() > 255)
            temporary = ".velmor-copy-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        target = ::openat(to.folder(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (target < 0 && errno != EEXIST) break;
    }
    if (target < 0) {
        DWORD error = error_from_errno(errno, to);
        ::close(source);
        return error;
    }
    bool copied = copy_bytes(source, target);
    DWORD error = copied ? ERROR_SUCCESS : (errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    if (copied) {
        // The copy keeps the source's time of last write and read-only mark.
        struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(target, times);
        ::fchmod(target, info.st_mode & 07777);
    }
    ::close(source);
    if (copied && ::fsync(target) != 0) error = ERROR_WRITE_FAULT;
    ::close(target);
    if (error == ERROR_SUCCESS) {
        int renamed = fail_if_exists
            ? ::renameat2(to.folder(), temporary.c_str(), to.folder(), to.name().c_str(), RENAME_NOREPLACE)
            : ::renameat(to.folder(), temporary.c_str(), to.folder(), to.name().c_str());
        if (renamed != 0) error = errno == EEXIST ? ERROR_FILE_EXISTS : error_from_errno(errno, to);
    }
    if (error != ERROR_SUCCESS) ::unlinkat(to.folder(), temporary.c_str(), 0);
    return error;
}

}  // namespace platform::files

using namespace platform::files;

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    auto path = resolve_argument(lpFileName, FinalLink::keep);
    return path ? result(delete_file(*path)) : FALSE;
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName)
{
    auto from = resolve_argument(lpExistingFileName, FinalLink::keep);
    if (!from) return FALSE;
    auto to = resolve_argument(lpNewFileName, FinalLink::keep);
    if (!to) return FALSE;
    if (from->host_path() == to->host_path()) {
        // The new name matched the old one ignoring case: a change of case,
        // which the phone applies to the stored name.
        std::u16string_view written = platform::text_view(lpNewFileName);
        auto last = written.find_last_of(u"\\/");
        std::string spelled = platform::to_utf8(written.substr(last == written.npos ? 0 : last + 1));
        if (!spelled.empty() && spelled != to->name() && !to->is_root()) to = to->with_name(spelled);
    }
    return result(move_path(*from, *to));
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    auto from = resolve_argument(lpExistingFileName);
    if (!from) return FALSE;
    auto to = resolve_argument(lpNewFileName);
    if (!to) return FALSE;
    return result(copy_file(*from, *to, bFailIfExists != FALSE));
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    // The folder is made in place of the name, as the host's mkdir does, but
    // a name that leads out of the device root is refused like any other
    // creation there.
    if (!resolve_argument(lpPathName, FinalLink::follow)) return FALSE;
    auto path = resolve_argument(lpPathName, FinalLink::keep);
    if (!path) return FALSE;
    if (path->folder() < 0) return result(ERROR_PATH_NOT_FOUND);
    if (::mkdirat(path->folder(), path->name().c_str(), 0777) != 0) return result(error_from_errno(errno, *path));
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    auto path = resolve_argument(lpPathName, FinalLink::keep);
    if (!path) return FALSE;
    if (path->is_root()) return result(ERROR_ACCESS_DENIED);
    if (path->folder() < 0) return result(ERROR_PATH_NOT_FOUND);
    struct stat info { };
    if (::fstatat(path->folder(), path->name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return result(error_from_errno(errno, *path));
    if (!S_ISDIR(info.st_mode)) return result(ERROR_DIRECTORY);
    if (::unlinkat(path->folder(), path->name().c_str(), AT_REMOVEDIR) != 0)
        return result(error_from_errno(errno, *path));
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    auto path = resolve_argument(lpFileName);
    if (!path) return INVALID_FILE_ATTRIBUTES;
    struct stat info { };
    if (path->folder() < 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (::fstatat(path->folder(), path->name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        SetLastError(error_from_errno(errno, *path));
        return INVALID_FILE_ATTRIBUTES;
    }
    return file_attributes_of(info);
}
