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
bool locked_by_open_handle(const fs::path& path)
{
    auto identity = identity_of(path.c_str());
    return identity && !OpenFileTable::instance().allows_delete(*identity);
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

DWORD delete_file(const fs::path& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0) return error_from_errno(errno, path);
    if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
    if (!S_ISLNK(info.st_mode) && read_only(info)) return ERROR_ACCESS_DENIED;
    if (locked_by_open_handle(path)) return ERROR_SHARING_VIOLATION;
    if (::unlink(path.c_str()) != 0) return error_from_errno(errno, path);
    return ERROR_SUCCESS;
}

DWORD move_path(const fs::path& from, const fs::path& to)
{
    struct stat info { };
    if (::lstat(from.c_str(), &info) != 0) return error_from_errno(errno, from);
    if (is_device_root(from)) return ERROR_ACCESS_DENIED;
    if (locked_by_open_handle(from)) return ERROR_SHARING_VIOLATION;
    if (from == to) return ERROR_SUCCESS;
    // The kernel refuses to replace the target, so a file that appears
    // between a check and the rename is never lost.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return ERROR_SUCCESS;
    int error = errno;
    if (error == EINVAL) {
        // A host file system without the no-replace flag (or a folder moved
        // into itself, which rename refuses too): check, then rename.
        struct stat target { };
        if (::lstat(to.c_str(), &target) == 0) return ERROR_ALREADY_EXISTS;
        if (::rename(from.c_str(), to.c_str()) == 0) return ERROR_SUCCESS;
        error = errno;
    }
    if (error == EEXIST || error == ENOTEMPTY) return ERROR_ALREADY_EXISTS;
    // The source exists, so a missing name is the target's folder.
    if (error == ENOENT) return ERROR_PATH_NOT_FOUND;
    return error_from_errno(error, to);
}

DWORD copy_file(const fs::path& from, const fs::path& to, bool fail_if_exists)
{
    int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (source < 0) return error_from_errno(errno, from);
    struct stat info { };
    if (::fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(source);
        return ERROR_ACCESS_DENIED;
    }
    struct stat existing { };
    if (::stat(to.c_str(), &existing) == 0) {
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
    std::string temporary = (to.parent_path() / (".velmor-copy-" + to.filename().string() + "-XXXXXX")).string();
    int target = ::mkostemp(temporary.data(), O_CLOEXEC);
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
        int renamed = fail_if_exists ? ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE)
                                     : ::rename(temporary.c_str(), to.c_str());
        if (renamed != 0) error = errno == EEXIST ? ERROR_FILE_EXISTS : error_from_errno(errno, to);
    }
    if (error != ERROR_SUCCESS) ::unlink(temporary.c_str());
    return error;
}

}  // namespace platform::files

using namespace platform::files;

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    auto path = resolve_argument(lpFileName);
    return path ? result(delete_file(*path)) : FALSE;
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName)
{
    auto from = resolve_argument(lpExistingFileName);
    if (!from) return FALSE;
    auto to = resolve_argument(lpNewFileName);
    if (!to) return FALSE;
    if (*from == *to) {
        // The new name matched the old one ignoring case: a change of case,
        // which the phone applies to the stored name.
        std::u16string_view written = platform::text_view(lpNewFileName);
        auto last = written.find_last_of(u"\\/");
        auto spelled = to->parent_path() / platform::to_utf8(written.substr(last == written.npos ? 0 : last + 1));
        if (spelled.filename() != to->filename() && !spelled.filename().empty()) to = spelled;
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
    auto path = resolve_argument(lpPathName);
    if (!path) return FALSE;
    if (::mkdir(path->c_str(), 0777) != 0) return result(error_from_errno(errno, *path));
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    auto path = resolve_argument(lpPathName);
    if (!path) return FALSE;
    if (is_device_root(*path)) return result(ERROR_ACCESS_DENIED);
    struct stat info { };
    if (::lstat(path->c_str(), &info) != 0) return result(error_from_errno(errno, *path));
    if (!S_ISDIR(info.st_mode)) return result(ERROR_DIRECTORY);
    if (::rmdir(path->c_str()) != 0) return result(error_from_errno(errno, *path));
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    auto path = resolve_argument(lpFileName);
    if (!path) return INVALID_FILE_ATTRIBUTES;
    struct stat info { };
    if (::stat(path->c_str(), &info) != 0) {
        SetLastError(error_from_errno(errno, *path));
        return INVALID_FILE_ATTRIBUTES;
    }
    return file_attributes_of(info);
}
