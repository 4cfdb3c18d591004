#include "platform/registry/hive_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <new>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "platform/files/atomic_file.h"
#include "platform/registry/hive_merge.h"
#include "platform/registry/reg_text.h"

namespace platform::registry {
namespace {

// Adds a problem the load got past to its one line.
void add_setback(LoadedHive& loaded, const Failure& problem)
{
    if (!loaded.setback)
        loaded.setback = problem;
    else
        loaded.setback->message += "; " + problem.text();
}

// Moves a malformed file to the first free name among .bad, .bad.1 ...,
// never replacing an older one: link() refuses an existing name. Gives the
// name it went to.
Result<std::filesystem::path> move_aside(const std::filesystem::path& file)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::filesystem::path target = file;
        target += attempt == 0 ? ".bad" : ".bad." + std::to_string(attempt);
        if (::link(file.c_str(), target.c_str()) == 0) {
            ::unlink(file.c_str());
            return target;
        }
        if (errno == EEXIST) continue;
        // Folders without hard links: check, then rename.
        std::error_code ignored;
        if (std::filesystem::exists(target, ignored)) continue;
        if (::rename(file.c_str(), target.c_str()) == 0) return target;
        return Failure {std::strerror(errno)};
    }
    return Failure {"too many older .bad files"};
}

void use_defaults(Hive& hive, const std::filesystem::path& file, std::string_view defaults_text,
    std::string_view defaults_name, LoadedHive& loaded)
{
    if (auto parsed = load_hive_text(hive, defaults_text, defaults_name); !parsed)
        add_setback(loaded, parsed.failure());
    loaded.used_defaults = true;
    if (file.empty()) return;
    if (auto saved = flush_hive(hive); !saved) add_setback(loaded, saved.failure());
}

// Serialises the writers of one hive file. The file itself is replaced by
// every save, so the lock is taken on the folder that holds it, which stays.
class HiveFileLock {
public:
    static Result<HiveFileLock> take(const std::filesystem::path& file)
    {
        std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
        int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0)
            return failure_at(
                folder.string(), std::string("cannot open the folder to lock it: ") + std::strerror(errno));
        while (::flock(descriptor, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            Failure failure =
                failure_at(folder.string(), std::string("cannot lock the folder: ") + std::strerror(errno));
            ::close(descriptor);
            return failure;
        }
        return HiveFileLock(descriptor);
    }
    ~HiveFileLock()
    {
        if (descriptor_ >= 0) ::close(descriptor_);  // closing releases the lock
    }
    HiveFileLock(HiveFileLock&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1))
    {
    }
    HiveFileLock& operator=(HiveFileLock&&) = delete;
    HiveFileLock(const HiveFileLock&) = delete;
    HiveFileLock& operator=(const HiveFileLock&) = delete;

private:
    explicit HiveFileLock(int descriptor)
        : descriptor_(descriptor)
    {
    }

    int descriptor_ = -1;
};

// When another writer saved the file since this hive last loaded or saved
// it, brings this hive's own changes into what the file holds now, so the
// save that follows keeps the other writer's changes. The caller holds the
// hive's lock and the file's.
Result<void> merge_with_saved_file(Hive& hive)
{
    const std::filesystem::path& file = hive.file();
    std::error_code code;
    if (std::filesystem::symlink_status(file, code).type() == std::filesystem::file_type::not_found) return {};
    auto bytes = read_hive_bytes(file);
    if (!bytes) {
        Failure failure = bytes.failure();
        failure.message += "; the registry's changes are not saved";
        return failure;
    }
    if (hive.has_saved_state() && hive.saved_digest() == hive_digest(*bytes)) return {};

    auto script = parse_reg_text(*bytes, file.string());
    if (!script) {
        Failure failure = script.failure();
        failure.message +=
            ": the file was changed by another program and cannot be read; the registry's changes are not saved";
        return failure;
    }
    Hive theirs;
    apply_reg_script(*script, theirs);
    // Without a saved state (a hive never loaded from this file) everything
    // in it counts as its own change.
    Hive nothing;
    for (RootKey root : all_root_keys) {
        const RegistryKey* base = hive.has_saved_state() ? hive.saved_root(root) : nothing.root(root).get();
        apply_changes(*base, *hive.root(root), *theirs.root(root));
        assign_tree(*hive.root(root), *theirs.root(root));
    }
    return {};
}

}  // namespace

Result<std::string> read_hive_bytes(const std::filesystem::path& file)
{
    std::error_code code;
    if (std::filesystem::is_directory(file, code)) return failure_at(file.string(), "is a folder, not a file");
    std::ifstream in(file, std::ios::binary);
    if (!in) return failure_at(file.string(), std::string("cannot read: ") + std::strerror(errno));
    std::string bytes;
    try {
        // Sized once from the file, so a large file is not copied while the
        // string grows; the loop still reads a file that grows meanwhile.
        std::uintmax_t size = std::filesystem::file_size(file, code);
        if (!code && size <= max_hive_file_size) bytes.reserve(static_cast<std::size_t>(size));
        char buffer[65536];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
            if (bytes.size() > max_hive_file_size)
                return failure_at(file.string(), "larger than " + std::to_string(max_hive_file_size >> 20) + " MiB");
        }
    } catch (const std::bad_alloc&) {
        return failure_at(file.string(), "not enough memory to read it");
    }
    if (in.bad()) return failure_at(file.string(), "read error");
    return bytes;
}

Result<void> load_hive_text(Hive& hive, std::string_view text, std::string_view name)
{
    auto script = parse_reg_text(text, name);
    Hive fresh;
    if (script) apply_reg_script(*script, fresh);
    std::lock_guard lock(hive.mutex());
    hive.take_content(fresh);
    hive.mark_dirty();
    if (!script) return script.failure();
    return {};
}

Result<LoadedHive> load_hive_file(Hive& hive, const std::filesystem::path& file, std::string_view defaults_text,
    std::string_view defaults_name, MalformedFile policy)
{
    LoadedHive loaded;
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
        use_defaults(hive, file, defaults_text, defaults_name, loaded);
        return loaded;
    }

    auto bytes = read_hive_bytes(file);
    auto script = bytes ? parse_reg_text(*bytes, file.string()) : Result<RegScript>(bytes.failure());
    if (script) {
        Hive fresh;
        apply_reg_script(*script, fresh);
        std::lock_guard lock(hive.mutex());
        hive.take_content(fresh);
        hive.set_file(file);
        hive.remember_saved_state(hive_digest(*bytes));
        hive.mark_clean();
        return loaded;
    }

    if (policy == MalformedFile::refuse) return script.failure();
    Failure setback = script.failure();
    auto moved_to = move_aside(file);
    if (moved_to) {
        loaded.moved_to = *moved_to;
        setback.message += "; moved to " + moved_to->string() + ", starting from " + std::string(defaults_name);
        std::lock_guard lock(hive.mutex());
        hive.set_file(file);
    } else {
        // It cannot be moved, so it must not be overwritten either: keep the
        // defaults in memory only.
        setback.message += "; cannot move it aside (" + moved_to.failure().text() + "), starting from " +
            std::string(defaults_name) + " without saving";
        std::lock_guard lock(hive.mutex());
        hive.set_file({});
        hive.set_unsavable_reason(file.string() + " is malformed and could not be moved aside");
    }
    loaded.setback = std::move(setback);
    std::filesystem::path target = loaded.moved_to.empty() ? std::filesystem::path() : file;
    use_defaults(hive, target, defaults_text, defaults_name, loaded);
    return loaded;
}

Result<void> flush_hive(Hive& hive)
{
    std::lock_guard lock(hive.mutex());
    if (!hive.dirty()) return {};
    // Saying that changes were saved when they cannot be would lose them
    // silently.
    if (!hive.unsavable_reason().empty())
        return Failure {hive.unsavable_reason() + "; changes are kept in memory only"};
    // A hive never tied to a file lives in memory, as a RAM-based registry.
    if (hive.file().empty()) return {};
    // Other writers (velmor-reg, another phone on the same folder) save
    // under the same lock, so none replaces the file between our reading
    // it and our write.
    auto file_lock = HiveFileLock::take(hive.file());
    if (!file_lock) return file_lock.failure();
    if (auto merged = merge_with_saved_file(hive); !merged) return merged;
    std::string text = write_reg_text(hive);
    // Written under the lock, so concurrent flushes land in order and the
    // file never goes back to an older state.
    if (auto written = files::write_file_atomically(hive.file(), text); !written) return written;
    hive.remember_saved_state(hive_digest(text));
    hive.mark_clean();
    return {};
}

}  // namespace platform::registry
