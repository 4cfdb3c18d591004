#include "platform/sync/name_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/files/device_root.h"
#include "platform/include/winerror.h"

namespace fs = std::filesystem;

namespace platform::sync {
namespace {

// Host file names are limited to 255 bytes; leave room for the suffix.
constexpr std::size_t longest_escaped_name = 200;

bool lock(int descriptor, int operation)
{
    for (;;) {
        if (::flock(descriptor, operation) == 0) return true;
        if (errno != EINTR) return false;
    }
}

// The exclusive guard around checking, joining and leaving a name.
class Guard {
public:
    explicit Guard(const fs::path& folder)
        : descriptor_(::open((folder / "guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (descriptor_ >= 0 && !lock(descriptor_, LOCK_EX)) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }
    ~Guard()
    {
        if (descriptor_ >= 0) ::close(descriptor_);  // closing drops the lock
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    bool held() const { return descriptor_ >= 0; }

private:
    int descriptor_;
};

std::uint64_t name_hash(std::u16string_view name)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
    for (char16_t c : name) {
        hash = (hash ^ (c & 0xFF)) * 0x100000001b3ull;
        hash = (hash ^ (c >> 8)) * 0x100000001b3ull;
    }
    return hash;
}

fs::path lock_folder()
{
    fs::path runtime = platform::files::runtime_folder();
    if (runtime.empty()) return {};
    fs::path folder = runtime / "mutex";
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error) ? folder : fs::path();
}

}  // namespace

std::string NameLock::file_name_for(std::u16string_view name)
{
    // Letters, digits, '-' and '_' stay; every other UTF-16 unit becomes
    // "%XXXX", so no separator, dot or case folding can merge two names.
    std::string escaped;
    for (char16_t c : name) {
        bool plain =
            (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (plain) {
            escaped += static_cast<char>(c);
        } else {
            char code[6];
            std::snprintf(code, sizeof code, "%%%04X", static_cast<unsigned>(c));
            escaped += code;
        }
    }
    if (escaped.size() > longest_escaped_name) {
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(name_hash(name)));
        // Cut between escapes, never inside one.
        std::size_t cut = longest_escaped_name - 24;
        std::size_t percent = escaped.rfind('%', cut - 1);
        if (percent != std::string::npos && percent + 5 > cut) cut = percent;
        escaped = escaped.substr(0, cut) + hash;
    }
    return "m-" + escaped + ".lock";
}

NameLock::NameLock(int descriptor, std::string path)
    : descriptor_(descriptor)
    , path_(std::move(path))
{
}

NameLock::~NameLock()
{
    fs::path folder = fs::path(path_).parent_path();
    Guard guard(folder);
    // Under the guard no one can be joining; if an exclusive lock is
    // possible, this process was the last holder and the file can go.
    if (guard.held() && ::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) ::unlink(path_.c_str());
    ::close(descriptor_);
}

std::unique_ptr<NameLock> NameLock::acquire(std::u16string_view name, Mode mode, bool& existed, DWORD& error)
{
    existed = false;
    error = ERROR_SUCCESS;
    fs::path folder = lock_folder();
    if (folder.empty()) {
        error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    Guard guard(folder);
    if (!guard.held()) {
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    std::string path = (folder / file_name_for(name)).string();
    int flags = O_RDWR | O_CLOEXEC | (mode == Mode::create_or_join ? O_CREAT : 0);
    int descriptor = ::open(path.c_str(), flags, 0644);
    if (descriptor < 0) {
        error = errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
        return nullptr;
    }
    // An exclusive lock is only possible when no process holds the name; a
    // file left by a crashed process is unlocked and counts as free.
    if (!lock(descriptor, LOCK_EX | LOCK_NB)) {
        if (errno != EWOULDBLOCK) {
            ::close(descriptor);
            error = ERROR_ACCESS_DENIED;
            return nullptr;
        }
        existed = true;
    }
    if (!existed && mode == Mode::join_existing) {
        ::unlink(path.c_str());
        ::close(descriptor);
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    // From exclusive (or nothing) to shared; no other process can take the
    // name meanwhile, since it would need the guard.
    if (!lock(descriptor, LOCK_SH)) {
        ::close(descriptor);
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    return std::unique_ptr<NameLock>(new NameLock(descriptor, std::move(path)));
}

}  // namespace platform::sync
