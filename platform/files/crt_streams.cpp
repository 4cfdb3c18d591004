// The C runtime's wide file functions on CE paths: _wfopen hands back an
// ordinary host stream, so the standard stream functions work on it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/files/device_root.h"
#include "platform/files/file_operations.h"
#include "platform/files/host_errors.h"
#include "platform/include/crtfile.h"
#include "platform/include/winerror.h"
#include "platform/kernel/utf.h"

namespace {

using platform::files::FinalLink;
using platform::files::RootedPath;

std::optional<RootedPath> resolve_for_runtime(const WCHAR* ce_path, FinalLink final_link)
{
    if (!ce_path) {
        errno = EINVAL;
        return std::nullopt;
    }
    platform::files::PathError why {};
    auto path = platform::files::resolve_rooted(platform::text_view(ce_path), final_link, why);
    if (!path) {
        errno = platform::files::errno_from_error(platform::files::error_code_of(why));
        return std::nullopt;
    }
    return std::move(*path);
}

struct StreamMode {
    int flags = 0;  // for openat
    bool truncate = false;
    std::string stream;  // for fdopen
};

// The host opening of a runtime mode: r, w or a, then '+', 'b' and 't' in
// any order. Text and binary are the same here. std::nullopt when malformed.
std::optional<StreamMode> stream_mode(std::u16string_view mode)
{
    if (mode.empty() || (mode[0] != u'r' && mode[0] != u'w' && mode[0] != u'a')) return std::nullopt;
    bool update = false;
    for (char16_t c : mode.substr(1)) {
        if (c == u'+')
            update = true;
        else if (c != u'b' && c != u't')
            return std::nullopt;
    }
    StreamMode result;
    result.stream = std::string(1, static_cast<char>(mode[0])) + (update ? "+" : "");
    result.flags = update ? O_RDWR : mode[0] == u'r' ? O_RDONLY : O_WRONLY;
    if (mode[0] != u'r') result.flags |= O_CREAT;
    if (mode[0] == u'a') result.flags |= O_APPEND;
    result.truncate = mode[0] == u'w';
    return result;
}

}  // namespace

FILE* _wfopen(const WCHAR* filename, const WCHAR* mode)
{
    if (!mode) {
        errno = EINVAL;
        return nullptr;
    }
    auto opening = stream_mode(platform::text_view(mode));
    if (!opening) {
        errno = EINVAL;
        return nullptr;
    }
    auto path = resolve_for_runtime(filename, FinalLink::follow);
    if (!path) return nullptr;
    if (path->folder() < 0) {
        errno = ENOENT;
        return nullptr;
    }
    // Streams are not inherited by programs the host starts; a link in the
    // name would be one that appeared after the walk; a pipe must not block.
    int flags = opening->flags | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    int descriptor = ::openat(path->folder(), path->name().c_str(), flags, 0666);
    if (descriptor < 0) {
        if (errno == ELOOP || errno == EISDIR) errno = EACCES;
        return nullptr;
    }
    // Folders and host pipes or devices are not files on the phone, and a
    // read-only file stays unwritten whatever the host account may override.
    // Truncation waits for these checks.
    struct stat info { };
    bool writing = (opening->flags & O_ACCMODE) != O_RDONLY;
    bool refused = ::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || (writing && !(info.st_mode & S_IWUSR));
    if (!refused && opening->truncate && ::ftruncate(descriptor, 0) != 0) refused = true;
    if (refused) {
        int error = errno;
        ::close(descriptor);
        errno = error == ENOSPC ? ENOSPC : EACCES;
        return nullptr;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    FILE* stream = ::fdopen(descriptor, opening->stream.c_str());
    if (!stream) {
        int error = errno;
        ::close(descriptor);
        errno = error;
    }
    return stream;
}

int _wremove(const WCHAR* filename)
{
    auto path = resolve_for_runtime(filename, FinalLink::keep);
    if (!path) return -1;
    DWORD error = platform::files::delete_file(*path);
    if (error == ERROR_SUCCESS) return 0;
    errno = platform::files::errno_from_error(error);
    return -1;
}

int _wrename(const WCHAR* oldname, const WCHAR* newname)
{
    auto from = resolve_for_runtime(oldname, FinalLink::keep);
    if (!from) return -1;
    auto to = resolve_for_runtime(newname, FinalLink::keep);
    if (!to) return -1;
    DWORD error = platform::files::move_path(*from, *to);
    if (error == ERROR_SUCCESS) return 0;
    // An existing new name is EACCES in the runtime, not EEXIST.
    errno = error == ERROR_ALREADY_EXISTS ? EACCES : platform::files::errno_from_error(error);
    return -1;
}
