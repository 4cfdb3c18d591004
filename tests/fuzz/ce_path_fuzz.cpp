// Hostile CE paths against the device root: whatever the input, a mapped
// path stays inside the root and outside the runtime folder, and nothing the
// file calls create or open lands anywhere else. The root holds links of
// every kind (leading out, dangling, looping, climbing with ".."), and where
// a file really landed is checked through the host, not through the mapping.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files/case_fold.h"
#include "platform/files/device_root.h"
#include "platform/include/crtfile.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace {

// In memory where the host has it: removing a folder on a journalling disk
// costs milliseconds, and most inputs make one.
fs::path make_temporary_folder(const char* prefix)
{
    std::error_code error;
    fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return fs::canonical(pattern);
}

struct Phone {
    fs::path root, outside;
    std::size_t outside_entries = 0;

    Phone()
        : root(make_temporary_folder("velmor-fuzz"))
        , outside(make_temporary_folder("velmor-fuzz-outside"))
    {
        fs::create_directories(root / "Program Files" / "Velmor");
        fs::create_directories(root / "Windows");
        fs::create_directories(root / "Ärger");
        std::FILE* kept = std::fopen((root / "Windows" / "keep.txt").c_str(), "w");
        if (!kept) std::abort();
        std::fputs("kept", kept);
        std::fclose(kept);
        fs::create_directories(outside / "existing");
        std::string outside_name = outside.filename().string();
        // Leading out: to a folder, to missing files, through other links.
        fs::create_directory_symlink(outside / "existing", root / "link");
        fs::create_symlink(outside / "new.txt", root / "out_new");
        fs::create_directory_symlink(outside, root / "out_dir");
        fs::create_symlink("../" + outside_name + "/climb.txt", root / "climb");
        fs::create_symlink("out_new", root / "chain");
        fs::create_symlink("../../" + outside_name, root / "Windows" / "deep");
        // Staying inside: a folder, a missing file, the root itself, a loop.
        fs::create_directory_symlink(root / "Windows", root / "inner");
        fs::create_symlink("Windows/made.txt", root / "pending");
        fs::create_directory_symlink("..", root / "Windows" / "up");
        fs::create_symlink("loop", root / "loop");
        if (!platform::files::set_device_root(root)) std::abort();
        platform::files::runtime_folder();
        outside_entries = count_outside();
    }
    ~Phone()
    {
        std::error_code error;
        fs::remove_all(root, error);
        fs::remove_all(outside, error);
    }

    std::size_t count_outside() const
    {
        std::size_t count = 0;
        for (auto it = fs::recursive_directory_iterator(outside); it != fs::recursive_directory_iterator(); ++it)
            ++count;
        return count;
    }
};

bool inside(const fs::path& path, const fs::path& base)
{
    auto relative = path.lexically_relative(base);
    return !relative.empty() && *relative.begin() != "..";
}

void escaped(const Phone& phone, const std::string& what, const fs::path& where)
{
    std::fprintf(stderr, "escaped the device root %s (%s): %s\n", phone.root.c_str(), what.c_str(), where.c_str());
    std::abort();
}

void check_inside(const Phone& phone, const std::string& what, const fs::path& resolved)
{
    if (!inside(resolved, phone.root) || inside(resolved, phone.root / platform::files::runtime_folder_name))
        escaped(phone, what, resolved);
}

// Where an open descriptor really is, as the kernel sees it.
fs::path landed(int descriptor)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    std::error_code error;
    return fs::read_symlink(link, error);
}

void remove_if_made(const std::u16string& ce_path, const fs::path& made)
{
    std::error_code error;
    auto mapped = platform::files::map_path(ce_path);
    if (mapped && *mapped == made) fs::remove(made, error);
}

void check(std::u16string_view ce_path)
{
    static Phone phone;
    if (auto mapped = platform::files::map_path(ce_path)) check_inside(phone, "mapped", fs::weakly_canonical(*mapped));

    // The calls take NUL-terminated names.
    std::u16string name(ce_path.substr(0, ce_path.find(u'\0')));
    auto mapped = platform::files::map_path(name);

    // Opening for append creates a missing file and never changes an
    // existing one.
    if (std::FILE* stream = _wfopen(name.c_str(), u"a")) {
        fs::path where = landed(::fileno(stream));
        struct stat info { };
        bool empty = ::fstat(::fileno(stream), &info) == 0 && info.st_size == 0;
        std::fclose(stream);
        check_inside(phone, "_wfopen", where);
        if (empty) remove_if_made(name, where);
    }
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        if (mapped) remove_if_made(name, *mapped);
    }
    if (CreateDirectoryW(name.c_str(), nullptr)) {
        std::error_code error;
        if (mapped) fs::remove(*mapped, error);
    }
    if (phone.count_outside() != phone.outside_entries) escaped(phone, "a file call", phone.outside);

    // Patterns with many stars must finish, whatever the name.
    platform::files::wildcard_match(ce_path, u"shaver_v10.wav.aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Once as UTF-8, once as raw UTF-16 units.
    check(platform::from_utf8(std::string_view(reinterpret_cast<const char*>(data), size)));
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i + 1 < size; i += 2) units[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    check(units);
    return 0;
}
