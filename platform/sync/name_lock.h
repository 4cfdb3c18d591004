// The presence of a mutex name across the processes of one phone.
//
// Each process that holds a name keeps a shared flock() on a lock file under
// runtime_folder()/mutex. A lock dies with its process, even after kill -9,
// so a crashed program never leaves its name behind.
//
// Two processes that create the same name at once are serialised by an
// exclusive flock() on a guard file in the same folder, taken for the few
// system calls of the check: under the guard, an exclusive non-blocking lock
// on the name's file succeeds only when no process holds the name; the
// creator then keeps a shared lock. Releasing takes the guard as well, so a
// lock file is only removed when no one else holds it or is about to.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/include/wintypes.h"

namespace platform::sync {

class NameLock {
public:
    ~NameLock();
    NameLock(const NameLock&) = delete;
    NameLock& operator=(const NameLock&) = delete;

    enum class Mode { create_or_join, join_existing };

    // Holds `name` for this process. `existed` tells whether another
    // process held it already. Null with `error` set when the lock files
    // cannot be used, or for join_existing when no one holds the name
    // (ERROR_FILE_NOT_FOUND).
    static std::unique_ptr<NameLock> acquire(std::u16string_view name, Mode mode, bool& existed, DWORD& error);

    // The lock file's name for a mutex name: safe on any host file system,
    // distinct for distinct names (case included; names too long for a
    // host file name end in a 64-bit hash of the whole name).
    static std::string file_name_for(std::u16string_view name);

private:
    NameLock(int descriptor, std::string path);

    int descriptor_;
    std::string path_;
};

}  // namespace platform::sync
