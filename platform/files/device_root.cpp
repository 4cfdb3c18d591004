// The device root: a host folder standing for the phone's "\".
//
// Programs written for the phone name files with CE paths; this maps them to
// host paths under one folder, so a simulated phone is a folder a user can
// copy and inspect. Mapping is also the one place where the simulator guards
// the host: whatever a program asks for, it cannot reach outside the root.
#include "platform/files/device_root.h"

#include <mutex>
#include <system_error>

#include "platform/files/rooted_path.h"
#include "platform/include/winerror.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace platform::files {
namespace {

struct RootState {
    std::mutex mutex;
    fs::path root;  // as given, made absolute
    fs::path canonical;  // with links resolved, for containment checks
};

RootState& root_state()
{
    static RootState state;
    return state;
}

std::pair<fs::path, fs::path> current_root()
{
    auto& state = root_state();
    std::lock_guard lock(state.mutex);
    return {state.root, state.canonical};
}

// True when `path` is `base` or lies beneath it; both lexically normal.
bool is_within(const fs::path& path, const fs::path& base)
{
    auto p = path.begin();
    for (auto b = base.begin(); b != base.end(); ++b, ++p) {
        if (b->empty()) continue;  // trailing separator of the base
        if (p == path.end() || *p != *b) return false;
    }
    return true;
}

}  // namespace

bool set_device_root(const fs::path& host_folder)
{
    std::error_code error;
    if (host_folder.empty()) return false;
    fs::path absolute = fs::absolute(host_folder, error).lexically_normal();
    if (error) return false;
    fs::create_directories(absolute, error);
    if (!fs::is_directory(absolute, error)) return false;
    fs::path canonical = fs::canonical(absolute, error);
    if (error) return false;
    // Keep the root without a trailing separator, so "root / name" and the
    // containment checks see the same components.
    if (!absolute.has_filename()) absolute = absolute.parent_path();
    auto& state = root_state();
    std::lock_guard lock(state.mutex);
    state.root = absolute;
    state.canonical = canonical;
    return true;
}

fs::path device_root() { return current_root().first; }

std::pair<fs::path, fs::path> device_root_paths() { return current_root(); }

std::optional<fs::path> map_path(std::u16string_view ce_path)
{
    PathError why = PathError::none;
    return map_path(ce_path, why);
}

std::optional<fs::path> map_path(std::u16string_view ce_path, PathError& why)
{
    auto rooted = resolve_rooted(ce_path, FinalLink::follow, why);
    if (!rooted) return std::nullopt;
    return rooted->host_path();
}

std::string explain_refusal(std::u16string_view ce_path)
{
    PathError why = PathError::none;
    auto rooted = resolve_rooted(ce_path, FinalLink::follow, why);
    if (rooted) return {};
    return rooted.failure().text();
}

DWORD error_code_of(PathError why)
{
    switch (why) {
    case PathError::none:
        return ERROR_SUCCESS;
    case PathError::no_device_root:
        return ERROR_PATH_NOT_FOUND;
    case PathError::invalid_name:
        return ERROR_INVALID_NAME;
    case PathError::too_long:
        return ERROR_FILENAME_EXCED_RANGE;
    case PathError::outside_root:
        return ERROR_ACCESS_DENIED;
    case PathError::link_loop:
        return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_INVALID_NAME;
}

std::optional<std::u16string> ce_path_of(const fs::path& host_path)
{
    auto [root, canonical_root] = current_root();
    if (root.empty()) return std::nullopt;
    std::error_code error;
    fs::path absolute = fs::absolute(host_path, error);
    if (error) return std::nullopt;
    fs::path resolved = fs::weakly_canonical(absolute, error);
    if (error || !is_within(resolved, canonical_root)) return std::nullopt;
    fs::path relative = resolved.lexically_relative(canonical_root);
    std::u16string ce;
    for (const auto& part : relative) {
        if (part.empty() || part == ".") continue;
        ce += u'\\';
        ce += from_utf8(part.string());
    }
    if (ce.empty()) return u"\\";
    auto first_end = ce.find(u'\\', 1);
    std::u16string_view first =
        std::u16string_view(ce).substr(1, first_end == std::u16string::npos ? ce.npos : first_end - 1);
    if (first == from_utf8(runtime_folder_name)) return std::nullopt;
    return ce;
}

fs::path runtime_folder()
{
    fs::path root = device_root();
    if (root.empty()) return {};
    fs::path folder = root / runtime_folder_name;
    std::error_code error;
    fs::create_directories(folder, error);
    return folder;
}

}  // namespace platform::files
