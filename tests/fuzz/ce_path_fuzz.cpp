// Hostile CE paths against the device root mapping: whatever the input, a
// mapped path must stay inside the root and outside the runtime folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files/case_fold.h"
#include "platform/files/device_root.h"
#include "platform/kernel/utf.h"

namespace fs = std::filesystem;

namespace {

struct Phone {
    fs::path root;
    fs::path canonical_root;
    Phone()
    {
        std::string pattern = (fs::temp_directory_path() / "velmor-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        root = pattern;
        fs::create_directories(root / "Program Files" / "Velmor");
        fs::create_directories(root / "Windows");
        fs::create_directories(root / "Ärger");
        fs::create_directory_symlink("/etc", root / "link");
        fs::create_directory_symlink(root / "Windows", root / "inner");
        if (!platform::files::set_device_root(root)) std::abort();
        platform::files::runtime_folder();
        canonical_root = fs::canonical(root);
    }
    ~Phone()
    {
        std::error_code error;
        fs::remove_all(root, error);
    }
};

bool inside(const fs::path& path, const fs::path& base)
{
    auto relative = path.lexically_relative(base);
    return !relative.empty() && *relative.begin() != "..";
}

void check(std::u16string_view ce_path)
{
    static Phone phone;
    auto mapped = platform::files::map_path(ce_path);
    if (mapped) {
        fs::path resolved = fs::weakly_canonical(*mapped);
        if (!inside(resolved, phone.canonical_root) ||
            inside(resolved, phone.canonical_root / platform::files::runtime_folder_name)) {
            std::fprintf(stderr, "escaped the device root: %s\n", resolved.c_str());
            std::abort();
        }
    }
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
