// FindFirstFileW and FindNextFileW: listing a folder of the phone.
//
// The listing is taken when the search starts and sorted by name, so a
// search sees a stable folder and the same order on every host.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/files/case_fold.h"
#include "platform/files/device_root.h"
#include "platform/files/host_errors.h"
#include "platform/files/rooted_path.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace {

class FindObject : public platform::KernelObject {
public:
    const char* kind() const override { return "find"; }
    std::mutex mutex;
    std::vector<WIN32_FIND_DATAW> entries;
    std::size_t next = 0;
};

bool has_wildcard(std::u16string_view pattern) { return pattern.find_first_of(u"*?") != pattern.npos; }

bool fill_entry(const struct stat& info, std::u16string_view name, WIN32_FIND_DATAW& data)
{
    if (name.empty() || name.size() >= MAX_PATH) return false;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = platform::files::file_attributes_of(info);
    // The host keeps no creation time in stat; the last write stands in.
    data.ftCreationTime = platform::files::filetime_from(info.st_mtim);
    data.ftLastAccessTime = platform::files::filetime_from(info.st_atim);
    data.ftLastWriteTime = platform::files::filetime_from(info.st_mtim);
    if (!S_ISDIR(info.st_mode)) {
        auto size = static_cast<std::uint64_t>(info.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    std::copy(name.begin(), name.end(), data.cFileName);
    return true;
}

// A link in a listing is listed as what it leads to, followed from the
// folder listed itself (not from a path that may since lead elsewhere), so
// a search shows what an open in that folder reaches. One that leads out of
// the root or nowhere is not part of the phone.
bool stat_through_link(
    int listed_folder, const std::filesystem::path& folder_host_path, const std::string& name, struct stat& info)
{
    platform::files::PathError why {};
    auto target = platform::files::resolve_in_folder(listed_folder, folder_host_path, name, why);
    return target && target->folder() >= 0 &&
        ::fstatat(target->folder(), target->name().c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData)
{
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string_view query = platform::text_view(lpFileName);
    auto split = query.find_last_of(u"\\/");
    std::u16string_view folder_part = split == query.npos ? std::u16string_view(u"\\") : query.substr(0, split + 1);
    std::u16string pattern(split == query.npos ? query : query.substr(split + 1));
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // "*.*" means every name, with or without a dot.
    if (pattern == u"*.*") pattern.assign(1, u'*');

    // The folder goes through the usual mapping; the pattern may hold the
    // two wildcards and nothing else the phone forbids in a name.
    std::u16string checked_name = pattern;
    std::replace(checked_name.begin(), checked_name.end(), u'*', u'_');
    std::replace(checked_name.begin(), checked_name.end(), u'?', u'_');
    std::u16string folder_and_name = std::u16string(folder_part) + checked_name;
    if (query.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    platform::files::PathError why {};
    if (!platform::files::map_path(folder_and_name, why)) {
        SetLastError(platform::files::error_code_of(why));
        return INVALID_HANDLE_VALUE;
    }
    auto folder = platform::files::resolve_rooted(folder_part, platform::files::FinalLink::follow, why);
    if (!folder) {
        SetLastError(platform::files::error_code_of(why));
        return INVALID_HANDLE_VALUE;
    }
    int listing = folder->folder() < 0
        ? -1
        : ::openat(folder->folder(), folder->name().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* directory = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!directory) {
        if (listing >= 0) ::close(listing);
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const bool at_root = folder->is_root();
    std::vector<std::pair<std::u16string, struct stat>> matches;
    while (dirent* entry = ::readdir(directory)) {
        std::string host_name = entry->d_name;
        if (host_name == "." || host_name == "..") continue;
        if (at_root && host_name == platform::files::runtime_folder_name) continue;
        std::u16string name = platform::from_utf8(host_name);
        bool match = has_wildcard(pattern) ? platform::files::wildcard_match(pattern, name)
                                           : platform::files::equal_ignoring_case(pattern, name);
        if (!match) continue;
        struct stat info { };
        if (::fstatat(::dirfd(directory), host_name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISLNK(info.st_mode) && !stat_through_link(::dirfd(directory), folder->host_path(), host_name, info))
            continue;
        matches.emplace_back(std::move(name), info);
    }
    ::closedir(directory);
    std::sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    auto search = std::make_shared<FindObject>();
    for (const auto& [name, info] : matches) {
        WIN32_FIND_DATAW data;
        if (fill_entry(info, name, data)) search->entries.push_back(data);
    }
    if (search->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = search->entries[0];
    search->next = 1;
    SetLastError(ERROR_SUCCESS);
    return platform::insert_kernel_object(search);
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData)
{
    auto search = platform::find_kernel_object_as<FindObject>(hFindFile);
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(search->mutex);
    if (search->next >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile)
{
    // Searches of the device manager end here too, as on the phone.
    auto object = platform::find_kernel_object(hFindFile);
    bool is_search = object &&
        (std::dynamic_pointer_cast<FindObject>(object) || std::string_view(object->kind()) == "device search");
    if (!is_search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return platform::close_kernel_object(hFindFile) ? TRUE : FALSE;
}
