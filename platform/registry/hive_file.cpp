#include "platform/registry/hive_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <new>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

#include "platform/files/atomic_file.h"
#include "platform/registry/hive_merge.h"
#include "platform/registry/reg_text.h"

namespace platform::registry {
namespace {

std::string located(std::string_view name, const RegError& error)
{
    std::string out(name);
    if (error.line != 0) out += ":" + std::to_string(error.line);
    return out + ": " + error.message;
}

// Moves a malformed file to the first free name among .bad, .bad.1 ...,
// never replacing an older one: link() refuses an existing name.
bool move_aside(const std::filesystem::path& file, std::filesystem::path& moved_to, std::string& error)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::filesystem::path target = file;
        target += attempt == 0 ? ".bad" : ".bad." + std::to_string(attempt);
        if (::link(file.c_str(), target.c_str()) == 0) {
            ::unlink(file.c_str());
            moved_to = target;
            return true;
        }
        if (errno == EEXIST) continue;
        // Folders without hard links: check, then rename.
        std::error_code ignored;
        if (std::filesystem::exists(target, ignored)) continue;
        if (::rename(file.c_str(), target.c_str()) == 0) {
            moved_to = target;
            return true;
        }
        error = std::strerror(errno);
        return false;
    }
    error = "too many older .bad files";
    return false;
}

void use_defaults(Hive& hive, const std::filesystem::path& file, std::string_view defaults_text,
    std::string_view defaults_name, LoadResult& result)
{
    std::string message;
    if (!load_hive_text(hive, defaults_text, defaults_name, message)) {
        result.message += result.message.empty() ? message : "; " + message;
    }
    result.used_defaults = true;
    result.ok = true;
    std::string error;
    if (!file.empty() && !flush_hive(hive, error)) result.message += result.message.empty() ? error : "; " + error;
}

// Serialises the writers of one hive file. The file itself is replaced by
// every save, so the lock is taken on the folder that holds it, which stays.
class HiveFileLock {
public:
    explicit HiveFileLock(const std::filesystem::path& file)
    {
        std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
        descriptor_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor_ < 0) {
            error_ = "cannot open the folder " + folder.string() + " to lock it: " + std::strerror(errno);
            return;
        }
        while (::flock(descriptor_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            error_ = "cannot lock the folder " + folder.string() + ": " + std::strerror(errno);
            ::close(descriptor_);
            descriptor_ = -1;
            return;
        }
    }
    ~HiveFileLock()
    {
        if (descriptor_ >= 0) ::close(descriptor_);  // closing releases the lock
    }
    HiveFileLock(const HiveFileLock&) = delete;
    HiveFileLock& operator=(const HiveFileLock&) = delete;

    bool held() const { return descriptor_ >= 0; }
    const std::string& error() const { return error_; }

private:
    int descriptor_ = -1;
    std::string error_;
};

// When another writer saved the file since this hive last loaded or saved
// it, brings this hive's own changes into what the file holds now, so the
// save that follows keeps the other writer's changes. The caller holds the
// hive's lock and the file's.
bool merge_with_saved_file(Hive& hive, std::string& error)
{
    const std::filesystem::path& file = hive.file();
    std::error_code code;
    if (std::filesystem::symlink_status(file, code).type() == std::filesystem::file_type::not_found) return true;
    std::string bytes, read_error;
    if (!read_hive_bytes(file, bytes, read_error)) {
        error = file.string() + ": " + read_error + "; the registry's changes are not saved";
        return false;
    }
    if (hive.has_saved_state() && hive.saved_digest() == hive_digest(bytes)) return true;

    RegScript script;
    if (auto parse_error = parse_reg_text(bytes, script)) {
        error = located(file.string(), *parse_error) +
            ": the file was changed by another program and cannot be read; the registry's changes are not saved";
        return false;
    }
    Hive theirs;
    apply_reg_script(script, theirs);
    // Without a saved state (a hive never loaded from this file) everything
    // in it counts as its own change.
    Hive nothing;
    for (RootKey root : all_root_keys) {
        const RegistryKey* base = hive.has_saved_state() ? hive.saved_root(root) : nothing.root(root).get();
        apply_changes(*base, *hive.root(root), *theirs.root(root));
        assign_tree(*hive.root(root), *theirs.root(root));
    }
    return true;
}

}  // namespace

bool read_hive_bytes(const std::filesystem::path& file, std::string& bytes, std::string& error)
{
    std::error_code code;
    if (std::filesystem::is_directory(file, code)) {
        error = "is a folder, not a file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    bytes.clear();
    try {
        // Sized once from the file, so a large file is not copied while the
        // string grows; the loop still reads a file that grows meanwhile.
        std::uintmax_t size = std::filesystem::file_size(file, code);
        if (!code && size <= max_hive_file_size) bytes.reserve(static_cast<std::size_t>(size));
        char buffer[65536];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
            if (bytes.size() > max_hive_file_size) {
                error = "larger than " + std::to_string(max_hive_file_size >> 20) + " MiB";
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        bytes = std::string();
        error = "not enough memory to read it";
        return false;
    }
    if (in.bad()) {
        error = "read error";
        return false;
    }
    return true;
}

bool load_hive_text(Hive& hive, std::string_view text, std::string_view name, std::string& message)
{
    RegScript script;
    Hive fresh;
    bool ok = true;
    if (auto error = parse_reg_text(text, script)) {
        message = located(name, *error);
        ok = false;
    }
    apply_reg_script(script, fresh);
    std::lock_guard lock(hive.mutex());
    hive.take_content(fresh);
    hive.mark_dirty();
    return ok;
}

LoadResult load_hive_file(Hive& hive, const std::filesystem::path& file, std::string_view defaults_text,
    std::string_view defaults_name, MalformedFile policy)
{
    LoadResult result;
    files::remove_stale_temporaries(file);
    {
        std::lock_guard lock(hive.mutex());
        hive.set_unsavable_reason({});
    }
    std::error_code code;
    bool exists = std::filesystem::symlink_status(file, code).type() != std::filesystem::file_type::not_found;
    if (code && code != std::errc::no_such_file_or_directory) exists = true;
    if (!exists) {
        {
            std::lock_guard lock(hive.mutex());
            hive.set_file(file);
        }
        use_defaults(hive, file, defaults_text, defaults_name, result);
        return result;
    }

    std::string bytes, error;
    RegScript script;
    if (read_hive_bytes(file, bytes, error)) {
        if (auto parse_error = parse_reg_text(bytes, script)) error = located(file.string(), *parse_error);
    } else {
        error = file.string() + ": " + error;
    }
    if (error.empty()) {
        Hive fresh;
        apply_reg_script(script, fresh);
        std::lock_guard lock(hive.mutex());
        hive.take_content(fresh);
        hive.set_file(file);
        hive.remember_saved_state(hive_digest(bytes));
        hive.mark_clean();
        result.ok = true;
        return result;
    }

    result.message = error;
    if (policy == MalformedFile::refuse) return result;
    std::string move_error;
    if (move_aside(file, result.moved_to, move_error)) {
        result.message += "; moved to " + result.moved_to.string() + ", starting from " + std::string(defaults_name);
        std::lock_guard lock(hive.mutex());
        hive.set_file(file);
    } else {
        // It cannot be moved, so it must not be overwritten either: keep the
        // defaults in memory only.
        result.message += "; cannot move it aside (" + move_error + "), starting from " + std::string(defaults_name) +
            " without saving";
        std::lock_guard lock(hive.mutex());
        hive.set_file({});
        hive.set_unsavable_reason(file.string() + " is malformed and could not be moved aside");
    }
    std::filesystem::path target = result.moved_to.empty() ? std::filesystem::path() : file;
    use_defaults(hive, target, defaults_text, defaults_name, result);
    return result;
}

bool flush_hive(Hive& hive, std::string& error)
{
    std::lock_guard lock(hive.mutex());
    if (!hive.dirty()) return true;
    // Saying that changes were saved when they cannot be would lose them
    // silently.
    if (!hive.unsavable_reason().empty()) {
        error = hive.unsavable_reason() + "; changes are kept in memory only";
        return false;
    }
    // A hive never tied to a file lives in memory, as a RAM-based registry.
    if (hive.file().empty()) return true;
    // Other writers (velmor-reg, another phone on the same folder) save
    // under the same lock, so none replaces the file between our reading
    // it and our write.
    HiveFileLock file_lock(hive.file());
    if (!file_lock.held()) {
        error = file_lock.error();
        return false;
    }
    if (!merge_with_saved_file(hive, error)) return false;
    std::string text = write_reg_text(hive);
    // Written under the lock, so concurrent flushes land in order and the
    // file never goes back to an older state.
    if (!files::write_file_atomically(hive.file(), text, error)) return false;
    hive.remember_saved_state(hive_digest(text));
    hive.mark_clean();
    return true;
}

}  // namespace platform::registry
