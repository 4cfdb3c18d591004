#include "platform/shell/art_version.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <mutex>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "finished_art_key.h"
#include "platform/text/font_cache.h"

namespace platform::shell {

namespace {

// The font files the shell's texts are drawn from, as the host gives them now: another file, or the same file
// changed, draws other pixels. So does another FreeType.
std::string font_identity()
{
    std::string identity =
        std::to_string(FREETYPE_MAJOR) + "." + std::to_string(FREETYPE_MINOR) + "." + std::to_string(FREETYPE_PATCH);
    std::lock_guard guard(platform::text::text_mutex());
    for (bool bold : {false, true}) {
        auto face = platform::text::FontCache::instance().locate("", bold, false);
        identity += "|";
        if (!face) continue;
        identity += face->path + "#" + std::to_string(face->index) + (face->synthetic_bold ? "+bold" : "");
        struct stat status { };
        if (::stat(face->path.c_str(), &status) == 0)
            identity += ":" + std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
                std::to_string(status.st_mtim.tv_nsec);
    }
    return identity;
}

std::string work_out_version()
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : font_identity()) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    char version[48];
    std::snprintf(version, sizeof version, "%s%016llx", VELMOR_FINISHED_ART_KEY, static_cast<unsigned long long>(hash));
    return version;
}

}  // namespace

std::string finished_art_version()
{
    static const std::string version = work_out_version();
    return version;
}

}  // namespace platform::shell
