// A file opened by CreateFileW: a kernel object around a host descriptor.
//
// The phone enforces share modes between open handles of a file, and
// programs rely on it (a writer that shares nothing keeps readers out). The
// open-file table here reproduces that between the handles of this process;
// other processes of the same phone are not checked.
#pragma once

#include <sys/types.h>

#include <map>
#include <mutex>
#include <optional>

#include "platform/include/fileapi.h"
#include "platform/kernel/kernel_object.h"

namespace platform::files {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const FileIdentity& other) const
    {
        return device != other.device ? device < other.device : inode < other.inode;
    }
    bool operator==(const FileIdentity& other) const = default;
};

class FileObject : public KernelObject {
public:
    FileObject(int descriptor, DWORD access, DWORD share, FileIdentity identity);
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    const char* kind() const override { return "file"; }
    void on_close() override;

    bool can_read() const { return access_ & (GENERIC_READ | GENERIC_ALL); }
    bool can_write() const { return access_ & (GENERIC_WRITE | GENERIC_ALL); }

    // Held while the descriptor is used, so closing cannot pull it away
    // from a read in another thread. The descriptor is -1 once closed.
    std::mutex& mutex() { return mutex_; }
    int descriptor() const { return descriptor_; }

private:
    void close_descriptor();

    std::mutex mutex_;
    int descriptor_;
    DWORD access_;
    DWORD share_;
    FileIdentity identity_;

    friend class OpenFileTable;
};

// The files this process has open through CreateFileW.
class OpenFileTable {
public:
    static OpenFileTable& instance();

    // Whether a new handle with this access and share mode may join the
    // handles already open on the file, as the phone's share rules say.
    // Held under lock() together with add(), so two opens cannot both pass.
    bool compatible(FileIdentity identity, DWORD access, DWORD share) const;
    // Whether every open handle lets the file be deleted or renamed.
    bool allows_delete(FileIdentity identity) const;

    std::mutex& lock() { return mutex_; }
    // The caller holds lock().
    void add(FileObject* file);
    void remove(FileObject* file);

private:
    mutable std::mutex mutex_;
    std::multimap<FileIdentity, FileObject*> files_;
};

// The identity of a host file, std::nullopt when it does not exist.
std::optional<FileIdentity> identity_of(const char* host_path);

}  // namespace platform::files
