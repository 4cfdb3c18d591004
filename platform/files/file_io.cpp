// CreateFileW and the calls on an open file handle, over POSIX descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/files/device_opener.h"
#include "platform/files/file_object.h"
#include "platform/files/host_errors.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;
using platform::files::FileIdentity;
using platform::files::FileObject;
using platform::files::OpenFileTable;

namespace {

HANDLE fail(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Opens the host file for a disposition. `existed` tells whether the file
// was there before; truncation is left to the caller, after the share check.
int open_for_disposition(
    const platform::files::RootedPath& path, int access_flags, DWORD disposition, bool& existed, DWORD& error)
{
    if (path.folder() < 0) {
        error = ERROR_PATH_NOT_FOUND;
        return -1;
    }
    const int folder = path.folder();
    const char* name = path.name().c_str();
    // A link in the name would be one that appeared after the walk.
    const int common = access_flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
    int descriptor = -1;
    existed = true;
    switch (disposition) {
    case CREATE_NEW:
        descriptor = ::openat(folder, name, common | O_CREAT | O_EXCL, 0666);
        existed = false;
        if (descriptor < 0 && errno == EEXIST) {
            error = ERROR_FILE_EXISTS;
            return -1;
        }
        break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        // Exclusive creation first tells whether the file was already there
        // without a race against another creator.
        descriptor = ::openat(folder, name, common | O_CREAT | O_EXCL, 0666);
        existed = descriptor < 0 && errno == EEXIST;
        if (existed) descriptor = ::openat(folder, name, common);
        break;
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        descriptor = ::openat(folder, name, common);
        break;
    default:
        error = ERROR_INVALID_PARAMETER;
        return -1;
    }
    if (descriptor < 0) error = platform::files::error_from_errno(errno, path);
    return descriptor;
}

std::shared_ptr<FileObject> file_of(HANDLE handle)
{
    auto file = platform::find_kernel_object_as<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
    DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE)
{
    if (!lpFileName) return fail(ERROR_INVALID_PARAMETER);
    std::u16string_view name = platform::text_view(lpFileName);
    if (platform::files::is_device_name(name))
        return platform::files::open_device(
            name, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes);

    const bool read = dwDesiredAccess & (GENERIC_READ | GENERIC_ALL);
    const bool write = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    if (dwCreationDisposition == TRUNCATE_EXISTING && !write) return fail(ERROR_INVALID_PARAMETER);
    auto path = platform::files::resolve_argument(lpFileName);
    if (!path) return INVALID_HANDLE_VALUE;
    if (path->is_root()) return fail(ERROR_ACCESS_DENIED);

    // A handle without read or write access still needs a descriptor for
    // the size and attributes; it never reads through it.
    int access_flags = write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
    bool existed = false;
    DWORD error = ERROR_SUCCESS;
    int descriptor = open_for_disposition(*path, access_flags, dwCreationDisposition, existed, error);
    if (descriptor < 0 && !read && !write && error == ERROR_ACCESS_DENIED && existed) {
        descriptor = ::openat(path->folder(), path->name().c_str(), O_PATH | O_CLOEXEC | O_NOFOLLOW);
        if (descriptor < 0) error = platform::files::error_from_errno(errno, *path);
    }
    if (descriptor < 0) return fail(error);

    struct stat info { };
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        // Folders, pipes and host devices are not files on the phone; a pipe
        // would also block the caller forever.
        ::close(descriptor);
        return fail(ERROR_ACCESS_DENIED);
    }
    if (write && existed && !(info.st_mode & S_IWUSR)) {
        // Read-only on the phone, whatever the host account may override.
        ::close(descriptor);
        return fail(ERROR_ACCESS_DENIED);
    }
    int status_flags = ::fcntl(descriptor, F_GETFL);
    if (status_flags >= 0) ::fcntl(descriptor, F_SETFL, status_flags & ~O_NONBLOCK);

    FileIdentity identity {info.st_dev, info.st_ino};
    auto& table = OpenFileTable::instance();
    std::shared_ptr<FileObject> file;
    {
        std::lock_guard lock(table.lock());
        if (!table.compatible(identity, dwDesiredAccess, dwShareMode)) {
            ::close(descriptor);
            return fail(ERROR_SHARING_VIOLATION);
        }
        bool truncate =
            existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING);
        if (truncate && ::ftruncate(descriptor, 0) != 0) {
            error = platform::files::error_from_errno(errno, *path);
            ::close(descriptor);
            return fail(error);
        }
        if (!existed && (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY)) ::fchmod(descriptor, 0444);
        file = std::make_shared<FileObject>(descriptor, dwDesiredAccess, dwShareMode, identity);
        table.add(file.get());
    }
    HANDLE handle = platform::insert_kernel_object(file);
    bool reports_existing = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
    SetLastError(reports_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(
    HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto file = file_of(hFile);
    if (!file) return FALSE;
    // The phone has no overlapped file access.
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!file->can_read()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard lock(file->mutex());
    auto* bytes = static_cast<char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t count = ::read(file->descriptor(), bytes + done, nNumberOfBytesToRead - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        if (count == 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(count);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
    LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto file = file_of(hFile);
    if (!file) return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!file->can_write()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard lock(file->mutex());
    const auto* bytes = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t count = ::write(file->descriptor(), bytes + done, nNumberOfBytesToWrite - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            // A full disk must not pass for a complete write.
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            SetLastError(count < 0 && (errno == ENOSPC || errno == EDQUOT) ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
            return FALSE;
        }
        done += static_cast<DWORD>(count);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    auto file = file_of(hFile);
    if (!file) return INVALID_SET_FILE_POINTER;
    // With a high part the distance is a 64-bit value whose low half is
    // unsigned; without one it is a signed 32-bit distance.
    std::int64_t distance = lpDistanceToMoveHigh
        ? static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
              static_cast<DWORD>(lDistanceToMove))
        : static_cast<std::int64_t>(lDistanceToMove);

    std::lock_guard lock(file->mutex());
    std::int64_t base = 0;
    switch (dwMoveMethod) {
    case FILE_BEGIN:
        break;
    case FILE_CURRENT:
        base = ::lseek(file->descriptor(), 0, SEEK_CUR);
        break;
    case FILE_END: {
        struct stat info { };
        base = ::fstat(file->descriptor(), &info) == 0 ? info.st_size : -1;
        break;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    if ((distance > 0 && base > INT64_MAX - distance) || base + distance < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t position = base + distance;
    // Without a high part the caller cannot receive a position past 4 GB.
    if (!lpDistanceToMoveHigh && position > 0xFFFFFFFEll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (::lseek(file->descriptor(), position, SEEK_SET) < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    // The low half may equal INVALID_SET_FILE_POINTER; callers tell success
    // by the cleared error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    auto file = file_of(hFile);
    if (!file) return INVALID_FILE_SIZE;
    std::lock_guard lock(file->mutex());
    struct stat info { };
    if (::fstat(file->descriptor(), &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(info.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE hFile)
{
    auto file = file_of(hFile);
    if (!file) return FALSE;
    if (!file->can_write()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard lock(file->mutex());
    if (::fsync(file->descriptor()) != 0) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

BOOL SetEndOfFile(HANDLE hFile)
{
    auto file = file_of(hFile);
    if (!file) return FALSE;
    if (!file->can_write()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::lock_guard lock(file->mutex());
    off_t position = ::lseek(file->descriptor(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(file->descriptor(), position) != 0) {
        SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}
