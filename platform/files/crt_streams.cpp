// The C runtime's wide file functions on CE paths: _wfopen hands back an
// ordinary host stream, so the standard stream functions work on it.
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/files/device_root.h"
#include "platform/files/file_operations.h"
#include "platform/files/host_errors.h"
#include "platform/include/crtfile.h"
#include "platform/include/winerror.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> resolve_for_runtime(const WCHAR* ce_path)
{
    if (!ce_path) {
        errno = EINVAL;
        return std::nullopt;
    }
    platform::files::PathError why {};
    auto path = platform::files::map_path(platform::text_view(ce_path), why);
    if (!path) errno = platform::files::errno_from_error(platform::files::error_code_of(why));
    return path;
}

// The host mode for a runtime mode: r, w or a, then '+', 'b' and 't' in
// any order. Text and binary are the same here. Empty when malformed.
std::string host_mode(std::u16string_view mode)
{
    if (mode.empty() || (mode[0] != u'r' && mode[0] != u'w' && mode[0] != u'a')) return {};
    std::string result(1, static_cast<char>(mode[0]));
    bool update = false;
    for (char16_t c : mode.substr(1)) {
        if (c == u'+')
            update = true;
        else if (c != u'b' && c != u't')
            return {};
    }
    if (update) result += '+';
    // Streams are not inherited by programs the host starts.
    result += 'e';
    return result;
}

}  // namespace

FILE* _wfopen(const WCHAR* filename, const WCHAR* mode)
{
    if (!mode) {
        errno = EINVAL;
        return nullptr;
    }
    std::string opening = host_mode(platform::text_view(mode));
    if (opening.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    auto path = resolve_for_runtime(filename);
    if (!path) return nullptr;
    // Folders and host pipes or devices are not files on the phone; opening
    // a pipe would also block.
    struct stat info { };
    if (::stat(path->c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        errno = EACCES;
        return nullptr;
    }
    if (opening[0] != 'r' && ::stat(path->c_str(), &info) == 0 && !(info.st_mode & S_IWUSR)) {
        errno = EACCES;
        return nullptr;
    }
    return std::fopen(path->c_str(), opening.c_str());
}

int _wremove(const WCHAR* filename)
{
    auto path = resolve_for_runtime(filename);
    if (!path) return -1;
    DWORD error = platform::files::delete_file(*path);
    if (error == ERROR_SUCCESS) return 0;
    errno = platform::files::errno_from_error(error);
    return -1;
}

int _wrename(const WCHAR* oldname, const WCHAR* newname)
{
    auto from = resolve_for_runtime(oldname);
    if (!from) return -1;
    auto to = resolve_for_runtime(newname);
    if (!to) return -1;
    DWORD error = platform::files::move_path(*from, *to);
    if (error == ERROR_SUCCESS) return 0;
    // An existing new name is EACCES in the runtime, not EEXIST.
    errno = error == ERROR_ALREADY_EXISTS ? EACCES : platform::files::errno_from_error(error);
    return -1;
}
