#include "platform/files/host_errors.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/files/device_root.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace platform::files {

std::optional<RootedPath> resolve_argument(LPCWSTR ce_path, FinalLink final_link)
{
    if (!ce_path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    PathError why = PathError::none;
    auto rooted = resolve_rooted(text_view(ce_path), final_link, why);
    if (!rooted) {
        SetLastError(error_code_of(why));
        return std::nullopt;
    }
    return std::move(*rooted);
}

DWORD error_from_errno(int error, const RootedPath& path)
{
    if (path.folder() < 0 || error == ENOTDIR) return ERROR_PATH_NOT_FOUND;
    if (error == ENOENT) return ERROR_FILE_NOT_FOUND;
    if (error == ELOOP) return ERROR_ACCESS_DENIED;
    return error_from_errno(error, path.host_path());
}

DWORD error_from_errno(int error, const fs::path& path)
{
    switch (error) {
    case ENOENT: {
        struct stat info { };
        fs::path parent = path.parent_path();
        bool parent_is_folder = ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        return parent_is_folder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    case EIO:
        return ERROR_WRITE_FAULT;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

int errno_from_error(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_DISK_FULL:
        return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_NOT_ENOUGH_MEMORY:
        return ENOMEM;
    default:
        return EACCES;
    }
}

DWORD file_attributes_of(const struct stat& info)
{
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (!(info.st_mode & S_IWUSR)) return FILE_ATTRIBUTE_READONLY;
    return FILE_ATTRIBUTE_NORMAL;
}

FILETIME filetime_from(const struct timespec& time)
{
    // Seconds between 1601-01-01 and 1970-01-01.
    constexpr std::int64_t epoch_difference = 11644473600;
    std::int64_t ticks = (static_cast<std::int64_t>(time.tv_sec) + epoch_difference) * 10000000 + time.tv_nsec / 100;
    if (ticks < 0) ticks = 0;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return result;
}

}  // namespace platform::files
