#include "platform/user/foreign_windows.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/case_fold.h"
#include "platform/files/device_root.h"
#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"

namespace platform::user {
namespace {

namespace fs = std::filesystem;

constexpr std::uintptr_t foreign_tag = 0x80000000u;
constexpr const char* file_header = "velmor-windows 1";

struct Entry {
    std::uint32_t handle = 0;
    bool visible = false;
    std::u16string class_name;
    std::u16string title;
};

struct Publisher {
    std::mutex mutex;
    pid_t pid = 0;  // the process the state below belongs to
    fs::path folder;
    int lock_fd = -1;
    int fifo_fd = -1;
    // The list of this process's windows, kept open and rewritten in place
    // under an exclusive lock; readers take a shared one.
    int windows_fd = -1;
    std::string published;  // what the list holds now
    // Handles given out for other programs' windows: (process, its handle).
    std::vector<std::pair<pid_t, std::uint32_t>> foreign;
};

Publisher& publisher()
{
    static auto* instance = new Publisher;
    return *instance;
}

fs::path windows_folder()
{
    auto runtime = platform::files::runtime_folder();
    return runtime.empty() ? fs::path() : runtime / "windows";
}

std::string hex_of(std::u16string_view text)
{
    if (text.empty()) return "-";
    std::string out;
    char unit[5];
    for (char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04x", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

std::u16string text_of_hex(const std::string& hex)
{
    std::u16string out;
    if (hex == "-") return out;
    for (std::size_t i = 0; i + 4 <= hex.size(); i += 4)
        out.push_back(static_cast<char16_t>(std::stoul(hex.substr(i, 4), nullptr, 16)));
    return out;
}

fs::path file_for(const fs::path& folder, pid_t pid, const char* suffix)
{
    return folder / (std::to_string(pid) + suffix);
}

// A program is alive while it holds its lock file.
bool owner_alive(const fs::path& folder, pid_t pid)
{
    int fd = ::open(file_for(folder, pid, ".lock").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool alive = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return alive;
}

void remove_stale(const fs::path& folder, pid_t pid)
{
    std::error_code ignored;
    for (const char* suffix : {".windows", ".fifo", ".lock"}) fs::remove(file_for(folder, pid, suffix), ignored);
}

// The whole list as its owner last wrote it: the shared lock keeps a
// rewrite from being seen half done.
std::string read_list(const fs::path& folder, pid_t pid)
{
    std::string text;
    int fd = ::open(file_for(folder, pid, ".windows").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    if (::flock(fd, LOCK_SH) == 0) {
        char buffer[4096];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) break;
            text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return text;
}

std::vector<Entry> read_entries(const fs::path& folder, pid_t pid)
{
    std::vector<Entry> entries;
    std::istringstream in(read_list(folder, pid));
    std::string line;
    if (!std::getline(in, line) || line != file_header) return entries;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string handle, visible, class_hex, title_hex;
        if (!(fields >> handle >> visible >> class_hex >> title_hex)) continue;
        try {
            entries.push_back(Entry {static_cast<std::uint32_t>(std::stoul(handle, nullptr, 16)), visible == "1",
                text_of_hex(class_hex), text_of_hex(title_hex)});
        } catch (const std::exception&) {
            // A damaged line names no window.
        }
    }
    return entries;
}

void handle_request(const std::string& line)
{
    std::istringstream fields(line);
    std::string verb;
    unsigned long handle = 0;
    if (!(fields >> verb >> std::hex >> handle)) return;
    auto window = find_window_quietly(static_cast<std::uint32_t>(handle));
    if (!window || !window->is_top_level()) return;
    HWND hwnd = to_hwnd(window);
    if (verb == "show") {
        int command = 0;
        if (!(fields >> std::dec >> command)) return;
        window->queue->call_later([=] { return static_cast<LRESULT>(ShowWindow(hwnd, command)); });
    } else if (verb == "foreground") {
        window->queue->call_later([=] { return static_cast<LRESULT>(SetForegroundWindow(hwnd)); });
    } else if (verb == "post") {
        unsigned long message = 0, wparam = 0;
        long lparam = 0;
        if (!(fields >> std::dec >> message >> wparam >> lparam)) return;
        PostMessageW(hwnd, static_cast<UINT>(message), static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
    }
}

void listen(int fd)
{
    std::string pending;
    char buffer[512];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            handle_request(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
}

// Sets up this process's lock file and request FIFO (again after a fork,
// since the child must not answer for its parent).
bool start_publishing(Publisher& state, const fs::path& folder)
{
    pid_t pid = ::getpid();
    if (state.pid == pid && state.folder == folder) return state.lock_fd >= 0;
    for (int* fd : {&state.lock_fd, &state.fifo_fd, &state.windows_fd}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    state.published.clear();
    state.foreign.clear();
    state.pid = pid;
    state.folder = folder;
    std::error_code error;
    fs::create_directories(folder, error);
    state.lock_fd = ::open(file_for(folder, pid, ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (state.lock_fd < 0 || ::flock(state.lock_fd, LOCK_EX | LOCK_NB) != 0) return false;
    auto fifo = file_for(folder, pid, ".fifo");
    fs::remove(fifo, error);
    if (::mkfifo(fifo.c_str(), 0600) != 0) return false;
    // Opened for reading and writing, so the FIFO never reports an end.
    state.fifo_fd = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    if (state.fifo_fd < 0) return false;
    state.windows_fd = ::open(file_for(folder, pid, ".windows").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (state.windows_fd < 0) return false;
    std::thread(listen, state.fifo_fd).detach();
    static bool cleanup_registered = false;
    if (!cleanup_registered) {
        cleanup_registered = true;
        std::atexit([] {
            auto& current = publisher();
            if (current.pid == ::getpid() && !current.folder.empty()) remove_stale(current.folder, current.pid);
        });
    }
    return true;
}

std::optional<std::pair<pid_t, std::uint32_t>> foreign_target(HWND hwnd)
{
    auto raw = reinterpret_cast<std::uintptr_t>(hwnd);
    if (raw < foreign_tag || raw > 0xFFFFFFFFu) return std::nullopt;
    auto& state = publisher();
    std::lock_guard lock(state.mutex);
    std::size_t index = raw & ~foreign_tag;
    if (index >= state.foreign.size()) return std::nullopt;
    return state.foreign[index];
}

std::optional<Entry> live_entry(HWND hwnd)
{
    auto target = foreign_target(hwnd);
    auto folder = windows_folder();
    if (!target || folder.empty() || !owner_alive(folder, target->first)) return std::nullopt;
    for (const Entry& entry : read_entries(folder, target->first))
        if (entry.handle == target->second) return entry;
    return std::nullopt;
}

bool send_request(pid_t pid, const std::string& line)
{
    auto folder = windows_folder();
    if (folder.empty()) return false;
    int fd = ::open(file_for(folder, pid, ".fifo").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // Lines stay below PIPE_BUF, so each arrives whole.
    bool sent = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return sent;
}

std::string hex_handle(std::uint32_t handle)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", handle);
    return text;
}

}  // namespace

bool is_foreign_window_handle(HWND hwnd) { return foreign_target(hwnd).has_value(); }

HWND find_foreign_window(LPCWSTR class_name, LPCWSTR title)
{
    auto folder = windows_folder();
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) return nullptr;
    for (const auto& file : fs::directory_iterator(folder, error)) {
        if (file.path().extension() != ".windows") continue;
        pid_t pid = 0;
        try {
            pid = static_cast<pid_t>(std::stol(file.path().stem().string()));
        } catch (const std::exception&) {
            continue;
        }
        if (pid == ::getpid()) continue;
        if (!owner_alive(folder, pid)) {
            remove_stale(folder, pid);
            continue;
        }
        for (const Entry& entry : read_entries(folder, pid)) {
            if (class_name && !platform::files::equal_ignoring_case(entry.class_name, platform::text_view(class_name)))
                continue;
            if (title && !platform::files::equal_ignoring_case(entry.title, platform::text_view(title))) continue;
            auto& state = publisher();
            std::lock_guard lock(state.mutex);
            std::pair<pid_t, std::uint32_t> key {pid, entry.handle};
            auto known = std::find(state.foreign.begin(), state.foreign.end(), key);
            std::size_t index = known - state.foreign.begin();
            if (known == state.foreign.end()) state.foreign.push_back(key);
            return reinterpret_cast<HWND>(foreign_tag | index);
        }
    }
    return nullptr;
}

BOOL foreign_window_exists(HWND hwnd) { return live_entry(hwnd).has_value(); }

BOOL foreign_window_visible(HWND hwnd)
{
    auto entry = live_entry(hwnd);
    return entry && entry->visible;
}

BOOL show_foreign_window(HWND hwnd, int command)
{
    auto entry = live_entry(hwnd);
    if (!entry) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    auto target = foreign_target(hwnd);
    send_request(target->first, "show " + hex_handle(target->second) + " " + std::to_string(command) + "\n");
    return entry->visible;
}

BOOL bring_foreign_window_forward(HWND hwnd)
{
    auto target = foreign_target(hwnd);
    if (!live_entry(hwnd) || !send_request(target->first, "foreground " + hex_handle(target->second) + "\n")) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL post_to_foreign_window(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto target = foreign_target(hwnd);
    std::string line = "post " + hex_handle(target->second) + " " + std::to_string(message) + " " +
        std::to_string(static_cast<unsigned long>(wparam)) + " " + std::to_string(static_cast<long>(lparam)) + "\n";
    if (!live_entry(hwnd) || !send_request(target->first, line)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

void publish_windows()
{
    auto folder = windows_folder();
    if (folder.empty()) return;
    auto& state = publisher();
    std::lock_guard lock(state.mutex);
    if (!start_publishing(state, folder)) return;
    std::ostringstream out;
    out << file_header << '\n';
    for (std::uint32_t handle : top_level_windows()) {
        auto window = find_window_quietly(handle);
        if (!window || window->destroying) continue;
        out << hex_handle(handle) << ' ' << ((window->style & WS_VISIBLE) ? 1 : 0) << ' '
            << hex_of(window->window_class->name) << ' ' << hex_of(window->text) << '\n';
    }
    std::string list = out.str();
    if (list == state.published) return;
    // Rewritten in place rather than renamed over: this runs at every change
    // of a top-level window, and a rename costs far more than the write.
    int fd = state.windows_fd;
    if (::flock(fd, LOCK_EX) != 0) return;
    bool written = ::pwrite(fd, list.data(), list.size(), 0) == static_cast<ssize_t>(list.size()) &&
        ::ftruncate(fd, static_cast<off_t>(list.size())) == 0;
    ::flock(fd, LOCK_UN);
    state.published = written ? list : std::string();
}

}  // namespace platform::user
