// The device root: a host folder standing for the phone's "\".
//
// Programs written for the phone name files with CE paths; this maps them to
// host paths under one folder, so a simulated phone is a folder a user can
// copy and inspect. Mapping is also the one place where the simulator guards
// the host: whatever a program asks for, it cannot reach outside the root.
#include "platform/files/device_root.h"

#include <mutex>
#include <system_error>
#include <vector>

#include "platform/files/case_fold.h"
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

bool forbidden_character(char16_t c)
{
    return c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

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

// The entry of `folder` whose name equals `name` ignoring case: the exact
// spelling when it exists, else the first match in name order, so the result
// does not depend on the host's directory order.
std::optional<std::string> find_entry(const fs::path& folder, std::u16string_view name)
{
    std::string exact = to_utf8(name);
    std::error_code error;
    if (fs::symlink_status(folder / exact, error).type() != fs::file_type::not_found && !error) return exact;
    std::optional<std::string> best;
    fs::directory_iterator it(folder, error);
    if (error) return std::nullopt;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        std::string entry = it->path().filename().string();
        if (!equal_ignoring_case(from_utf8(entry), name)) continue;
        if (!best || entry < *best) best = entry;
    }
    return best;
}

// Splits a CE path into its components with "." and ".." resolved. Refuses
// what cannot name a file on the phone.
std::optional<std::vector<std::u16string>> split_ce_path(std::u16string_view ce_path, PathError& why)
{
    if (ce_path.empty()) {
        why = PathError::invalid_name;
        return std::nullopt;
    }
    if (ce_path.size() >= MAX_PATH) {
        why = PathError::too_long;
        return std::nullopt;
    }
    // A leading '/' is a host path ("/etc/passwd"), and two leading
    // separators a network path; neither names anything on the phone.
    if (ce_path[0] == u'/' || (ce_path.size() >= 2 && is_separator(ce_path[0]) && is_separator(ce_path[1]))) {
        why = PathError::invalid_name;
        return std::nullopt;
    }
    std::vector<std::u16string> components;
    std::size_t start = 0;
    while (start <= ce_path.size()) {
        std::size_t end = start;
        while (end < ce_path.size() && !is_separator(ce_path[end])) ++end;
        std::u16string_view component = ce_path.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == u".") continue;
        if (component == u"..") {
            if (components.empty()) {
                why = PathError::outside_root;
                return std::nullopt;
            }
            components.pop_back();
            continue;
        }
        for (char16_t c : component) {
            if (forbidden_character(c)) {
                why = PathError::invalid_name;
                return std::nullopt;
            }
        }
        components.emplace_back(component);
    }
    if (!components.empty() && equal_ignoring_case(components.front(), from_utf8(runtime_folder_name))) {
        why = PathError::outside_root;
        return std::nullopt;
    }
    return components;
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

std::optional<fs::path> map_path(std::u16string_view ce_path)
{
    PathError why = PathError::none;
    return map_path(ce_path, why);
}

std::optional<fs::path> map_path(std::u16string_view ce_path, PathError& why)
{
    why = PathError::none;
    auto [root, canonical_root] = current_root();
    if (root.empty()) {
        why = PathError::no_device_root;
        return std::nullopt;
    }
    auto components = split_ce_path(ce_path, why);
    if (!components) return std::nullopt;

    fs::path host = root;
    bool folder_exists = true;
    for (const auto& component : *components) {
        std::optional<std::string> entry;
        if (folder_exists) entry = find_entry(host, component);
        if (entry) {
            host /= *entry;
        } else {
            // Missing from here on: keep the caller's spelling.
            folder_exists = false;
            host /= to_utf8(component);
        }
    }

    // A link inside the root may point anywhere; resolve what exists and
    // check that the result is still inside, and not the runtime folder.
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(host, error);
    if (error || !is_within(resolved, canonical_root) || is_within(resolved, canonical_root / runtime_folder_name)) {
        why = PathError::outside_root;
        return std::nullopt;
    }
    return host;
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
