#include "platform/files/file_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/include/fileapi.h"

namespace platform::files {
namespace {

// Handles opened without read or write access (attributes only) take no
// part in share checks, as on the phone.
bool takes_part(DWORD access) { return (access & (GENERIC_READ | GENERIC_WRITE | GENERIC_ALL)) != 0; }

bool reads(DWORD access) { return access & (GENERIC_READ | GENERIC_ALL); }
bool writes(DWORD access) { return access & (GENERIC_WRITE | GENERIC_ALL); }

}  // namespace

FileObject::FileObject(int descriptor, DWORD access, DWORD share, FileIdentity identity)
    : descriptor_(descriptor)
    , access_(access)
    , share_(share)
    , identity_(identity)
{
}

FileObject::~FileObject() { close_descriptor(); }

void FileObject::on_close() { close_descriptor(); }

void FileObject::close_descriptor()
{
    std::lock_guard lock(mutex_);
    if (descriptor_ < 0) return;
    OpenFileTable::instance().remove(this);
    ::close(descriptor_);
    descriptor_ = -1;
}

OpenFileTable& OpenFileTable::instance()
{
    static OpenFileTable table;
    return table;
}

bool OpenFileTable::compatible(FileIdentity identity, DWORD access, DWORD share) const
{
    if (!takes_part(access)) return true;
    auto [begin, end] = files_.equal_range(identity);
    for (auto it = begin; it != end; ++it) {
        const FileObject* open = it->second;
        if (!takes_part(open->access_)) continue;
        if (reads(access) && !(open->share_ & FILE_SHARE_READ)) return false;
        if (writes(access) && !(open->share_ & FILE_SHARE_WRITE)) return false;
        if (reads(open->access_) && !(share & FILE_SHARE_READ)) return false;
        if (writes(open->access_) && !(share & FILE_SHARE_WRITE)) return false;
    }
    return true;
}

bool OpenFileTable::allows_delete(FileIdentity identity) const
{
    std::lock_guard lock(mutex_);
    auto [begin, end] = files_.equal_range(identity);
    for (auto it = begin; it != end; ++it)
        if (takes_part(it->second->access_) && !(it->second->share_ & FILE_SHARE_DELETE)) return false;
    return true;
}

void OpenFileTable::add(FileObject* file) { files_.emplace(file->identity_, file); }

void OpenFileTable::remove(FileObject* file)
{
    std::lock_guard lock(mutex_);
    auto [begin, end] = files_.equal_range(file->identity_);
    for (auto it = begin; it != end; ++it) {
        if (it->second == file) {
            files_.erase(it);
            return;
        }
    }
}

std::optional<FileIdentity> identity_of(const char* host_path)
{
    struct stat info { };
    if (::stat(host_path, &info) != 0) return std::nullopt;
    return FileIdentity {info.st_dev, info.st_ino};
}

}  // namespace platform::files
