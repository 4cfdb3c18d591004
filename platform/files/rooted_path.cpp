#include "platform/files/rooted_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "platform/files/case_fold.h"
#include "platform/include/winerror.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace platform::files {
namespace {

// As many as the host follows before it gives up with ELOOP.
constexpr int max_links_followed = 40;
// The longest name the phone's file system holds, in UTF-16 units.
constexpr std::size_t max_name_length = 255;

class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {
    }
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool forbidden_character(char16_t c)
{
    return c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

// A surrogate without its partner has no UTF-8 form; converting it would
// give two different phone names the same host name.
bool has_lone_surrogate(std::u16string_view name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return true;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

std::string quoted(std::u16string_view ce_path) { return "\"" + to_utf8(ce_path) + "\""; }

// A refusal is a sentence naming the cause, and a kind the file calls turn
// into the phone's error code.
struct Refusal {
    PathError& why;

    Failure operator()(PathError error, std::string text) const
    {
        why = error;
        return Failure {std::move(text)};
    }
};

// Splits a CE path into its components with "." and ".." resolved. Refuses
// what cannot name a file on the phone.
Result<std::vector<std::u16string>> split_ce_path(std::u16string_view ce_path, const Refusal& refuse)
{
    if (ce_path.empty()) return refuse(PathError::invalid_name, "the path is empty");
    if (ce_path.size() >= MAX_PATH)
        return refuse(PathError::too_long,
            "the path is " + std::to_string(ce_path.size()) + " characters long; the phone allows " +
                std::to_string(MAX_PATH - 1));
    // A leading '/' is a host path ("/etc/passwd"), and two leading
    // separators a network path; neither names anything on the phone.
    if (ce_path[0] == u'/' || (ce_path.size() >= 2 && is_separator(ce_path[0]) && is_separator(ce_path[1])))
        return refuse(PathError::invalid_name, quoted(ce_path) + " is a host or network path, not a path of the phone");
    std::vector<std::u16string> components;
    std::size_t start = 0;
    while (start <= ce_path.size()) {
        std::size_t end = start;
        while (end < ce_path.size() && !is_separator(ce_path[end])) ++end;
        std::u16string_view component = ce_path.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == u".") continue;
        if (component == u"..") {
            if (components.empty()) return refuse(PathError::outside_root, quoted(ce_path) + " climbs above \"\\\"");
            components.pop_back();
            continue;
        }
        for (char16_t c : component)
            if (forbidden_character(c))
                return refuse(PathError::invalid_name, quoted(ce_path) + " holds a character the phone forbids");
        if (has_lone_surrogate(component))
            return refuse(PathError::invalid_name, quoted(ce_path) + " holds an unpaired surrogate");
        if (component.size() > max_name_length)
            return refuse(PathError::too_long,
                "a name in " + quoted(ce_path) + " is " + std::to_string(component.size()) +
                    " characters long; the phone allows " + std::to_string(max_name_length));
        components.emplace_back(component);
    }
    if (!components.empty() && equal_ignoring_case(components.front(), from_utf8(runtime_folder_name)))
        return refuse(PathError::outside_root, quoted(ce_path) + " is the simulator's runtime folder");
    return components;
}

// The entry of an open folder whose name equals `name` ignoring case: the
// exact spelling when it exists, else the first match in name order, so the
// result does not depend on the host's directory order. The exact spelling
// when nothing matches.
std::string find_entry(int folder, const std::string& exact)
{
    struct stat info { };
    if (::fstatat(folder, exact.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) return exact;
    int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return exact;
    DIR* directory = ::fdopendir(listing);
    if (!directory) {
        ::close(listing);
        return exact;
    }
    std::u16string wanted = from_utf8(exact);
    std::optional<std::string> best;
    while (dirent* entry = ::readdir(directory)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!equal_ignoring_case(from_utf8(name), wanted)) continue;
        if (!best || name < *best) best = std::string(name);
    }
    ::closedir(directory);
    return best.value_or(exact);
}

struct Step {
    std::string name;
    bool caseless;  // a component of the CE path, matched ignoring case
};

// Prepends the components of a link's target, which the host reads exactly
// as written.
void prepend_link_target(std::deque<Step>& pending, const std::string& target)
{
    std::vector<Step> steps;
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos) end = target.size();
        if (end > start) steps.push_back({target.substr(start, end - start), false});
        start = end + 1;
    }
    pending.insert(pending.begin(), steps.begin(), steps.end());
}

// The part of an absolute host path below the root, std::nullopt when the
// path is not beneath it.
std::optional<std::string> below(const fs::path& path, const fs::path& root)
{
    fs::path normal = path.lexically_normal();
    auto p = normal.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty()) continue;
        if (p == normal.end() || *p != *r) return std::nullopt;
    }
    std::string rest;
    for (; p != normal.end(); ++p) {
        if (p->empty()) continue;
        if (!rest.empty()) rest += '/';
        rest += p->string();
    }
    return rest;
}

// The walk's state: the resolved names below the root, and descriptors of
// those that are folders the walk has entered.
class Walk {
public:
    explicit Walk(Descriptor root)
        : root_(std::move(root))
    {
    }

    std::vector<std::string> names;

    // The folder holding the next name, or -1 when a folder on the way is
    // missing (or not a folder).
    int parent() { return enter(names.size()); }
    // Enters the first `depth` names; the descriptor of the last, or -1.
    int enter(std::size_t depth)
    {
        while (folders_.size() < depth) {
            if (failed_at_ == folders_.size()) return -1;
            int at = folders_.empty() ? root_.get() : folders_.back().get();
            int fd = ::openat(at, names[folders_.size()].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) {
                failed_at_ = folders_.size();
                return -1;
            }
            folders_.emplace_back(fd);
        }
        return depth == 0 ? root_.get() : folders_[depth - 1].get();
    }
    void push(std::string name) { names.push_back(std::move(name)); }
    void pop()
    {
        names.pop_back();
        if (folders_.size() > names.size()) folders_.pop_back();
        if (failed_at_ >= names.size()) failed_at_ = SIZE_MAX;
    }
    // Starts the walk in a folder already open, at the place below the
    // root the names give; ancestors holds a descriptor of each folder on
    // the way down, the open folder last.
    void start_in(std::vector<std::string> place, std::vector<Descriptor> ancestors)
    {
        names = std::move(place);
        folders_ = std::move(ancestors);
        failed_at_ = SIZE_MAX;
    }
    void restart_at_root()
    {
        names.clear();
        folders_.clear();
        failed_at_ = SIZE_MAX;
    }
    // The descriptor of a folder the result keeps: a copy, since the walk
    // closes its own.
    int keep(int fd) const { return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

private:
    Descriptor root_;
    std::vector<Descriptor> folders_;
    std::size_t failed_at_ = SIZE_MAX;
};

}  // namespace

RootedPath::RootedPath(int folder, std::string name, fs::path host_path)
    : folder_(folder)
    , name_(std::move(name))
    , host_path_(std::move(host_path))
{
}

RootedPath::~RootedPath()
{
    if (folder_ >= 0) ::close(folder_);
}

RootedPath::RootedPath(RootedPath&& other) noexcept
    : folder_(std::exchange(other.folder_, -1))
    , name_(std::move(other.name_))
    , host_path_(std::move(other.host_path_))
{
}

RootedPath& RootedPath::operator=(RootedPath&& other) noexcept
{
    if (this != &other) {
        if (folder_ >= 0) ::close(folder_);
        folder_ = std::exchange(other.folder_, -1);
        name_ = std::move(other.name_);
        host_path_ = std::move(other.host_path_);
    }
    return *this;
}

RootedPath RootedPath::with_name(std::string name) const
{
    int folder = folder_ < 0 ? -1 : ::fcntl(folder_, F_DUPFD_CLOEXEC, 0);
    fs::path host = host_path_.parent_path() / name;
    return RootedPath(folder, std::move(name), std::move(host));
}

// Takes the walk through the pending steps, following links as the host
// would, and makes the result. ce_path names the walk in messages.
Result<RootedPath> finish_walk(Walk& walk, std::deque<Step> pending, FinalLink final_link, const Refusal& refuse,
    const fs::path& root, const fs::path& canonical_root, std::u16string_view ce_path)
{
    int links = 0;
    std::string last_link;
    while (!pending.empty()) {
        Step step = std::move(pending.front());
        pending.pop_front();
        if (step.name.empty() || step.name == ".") continue;
        if (step.name == "..") {
            // Only a link's target gets here: the CE path's own ".." are
            // resolved by name before the walk.
            if (walk.names.empty())
                return refuse(PathError::outside_root,
                    quoted(ce_path) + " goes through " + last_link + ", a link that leads above the device root " +
                        root.string());
            walk.pop();
            continue;
        }
        int parent = walk.parent();
        if (parent < 0) {
            // Nothing to follow in a folder that does not exist; the call
            // will find the folder missing.
            walk.push(std::move(step.name));
            continue;
        }
        std::string entry = step.caseless ? find_entry(parent, step.name) : step.name;
        struct stat info { };
        if (::fstatat(parent, entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENAMETOOLONG)
                return refuse(PathError::too_long, quoted(ce_path) + " holds a name too long for the host");
            walk.push(std::move(entry));
            continue;
        }
        bool last = pending.empty();
        if (!S_ISLNK(info.st_mode) || (last && final_link == FinalLink::keep)) {
            walk.push(std::move(entry));
            continue;
        }

        fs::path link = root;
        for (const auto& name : walk.names) link /= name;
        link /= entry;
        last_link = link.string();
        if (++links > max_links_followed)
            return refuse(PathError::link_loop,
                quoted(ce_path) + " goes through too many links (a loop at " + link.string() + "?)");
        std::string target(PATH_MAX, '\0');
        ssize_t length = ::readlinkat(parent, entry.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
            walk.push(std::move(entry));  // gone or unreadable: the call will say
            continue;
        }
        target.resize(static_cast<std::size_t>(length));
        if (target.front() == '/') {
            auto rest = below(target, canonical_root);
            if (!rest) rest = below(target, root);
            if (!rest)
                return refuse(PathError::outside_root,
                    quoted(ce_path) + " goes through " + link.string() + ", a link to " + target +
                        ", which is outside the device root " + root.string());
            walk.restart_at_root();
            prepend_link_target(pending, *rest);
        } else {
            prepend_link_target(pending, target);
        }
    }

    if (!walk.names.empty() && walk.names.front() == runtime_folder_name)
        return refuse(PathError::outside_root, quoted(ce_path) + " leads into the simulator's runtime folder");
    fs::path host = root;
    for (const auto& name : walk.names) host /= name;
    if (walk.names.empty()) return RootedPath(walk.keep(walk.enter(0)), ".", std::move(host));
    int folder = walk.keep(walk.enter(walk.names.size() - 1));
    return RootedPath(folder, walk.names.back(), std::move(host));
}

Result<RootedPath> resolve_rooted(std::u16string_view ce_path, FinalLink final_link, PathError& why)
{
    why = PathError::none;
    Refusal refuse {why};
    auto [root, canonical_root] = device_root_paths();
    if (root.empty()) return refuse(PathError::no_device_root, "no device root has been set");
    auto components = split_ce_path(ce_path, refuse);
    if (!components) return components.failure();

    Descriptor root_descriptor(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (root_descriptor.get() < 0)
        return refuse(PathError::no_device_root, "the device root " + root.string() + " cannot be opened");
    Walk walk(std::move(root_descriptor));
    std::deque<Step> pending;
    for (const auto& component : *components) pending.push_back({to_utf8(component), true});

    return finish_walk(walk, std::move(pending), final_link, refuse, root, canonical_root, ce_path);
}

Result<RootedPath> resolve_in_folder(
    int folder, const fs::path& folder_host_path, const std::string& name, PathError& why)
{
    why = PathError::none;
    Refusal refuse {why};
    auto [root, canonical_root] = device_root_paths();
    if (root.empty()) return refuse(PathError::no_device_root, "no device root has been set");
    std::u16string display_text = from_utf8((folder_host_path / name).string());
    std::u16string_view display = display_text;
    auto place = below(folder_host_path, root);
    if (!place) return refuse(PathError::outside_root, quoted(display) + " is not below the device root");
    std::vector<std::string> names;
    for (std::size_t start = 0; start < place->size();) {
        std::size_t end = place->find('/', start);
        if (end == std::string::npos) end = place->size();
        names.push_back(place->substr(start, end - start));
        start = end + 1;
    }
    // The folder's own ancestors, climbed from the folder itself, so the walk
    // goes on from where the folder really is; it must meet the root right
    // where the names say, or the folder has moved.
    std::vector<Descriptor> ancestors;
    ancestors.emplace_back(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (ancestors.back().get() < 0) return refuse(PathError::no_device_root, "the folder cannot be opened again");
    for (std::size_t depth = names.size(); depth > 0; --depth)
        ancestors.emplace_back(::openat(ancestors.back().get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    Descriptor root_descriptor(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat top {
    }, expected {};
    if (ancestors.back().get() < 0 || root_descriptor.get() < 0 || ::fstat(ancestors.back().get(), &top) != 0 ||
        ::fstat(root_descriptor.get(), &expected) != 0 || top.st_dev != expected.st_dev ||
        top.st_ino != expected.st_ino)
        return refuse(
            PathError::outside_root, quoted(display) + " is in a folder that has left its place in the device root");
    ancestors.pop_back();
    std::reverse(ancestors.begin(), ancestors.end());
    Walk walk(std::move(root_descriptor));
    walk.start_in(std::move(names), std::move(ancestors));
    std::deque<Step> pending;
    pending.push_back({name, false});
    return finish_walk(walk, std::move(pending), FinalLink::follow, refuse, root, canonical_root, display);
}

}  // namespace platform::files
