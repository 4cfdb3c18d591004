#include "platform/registry/hive_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>
#include <unistd.h>

#include "platform/files/atomic_file.h"
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
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > max_hive_file_size) {
            error = "larger than " + std::to_string(max_hive_file_size >> 20) + " MiB";
            return false;
        }
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
    // Written under the lock, so concurrent flushes land in order and the
    // file never goes back to an older state.
    if (!files::write_file_atomically(hive.file(), write_reg_text(hive), error)) return false;
    hive.mark_clean();
    return true;
}

}  // namespace platform::registry
