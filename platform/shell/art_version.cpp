#include "platform/shell/art_version.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "finished_art_key.h"
#include "platform/files/atomic_file.h"
#include "platform/shell/art_cache.h"
#include "platform/text/font_cache.h"
#include "platform/text/located_faces.h"

namespace platform::shell {

namespace {

namespace fs = std::filesystem;

constexpr const char* record_mark = "velmor host fonts 1";

using platform::text::file_stamp;
using platform::text::fontconfig_environment;

struct Asked {
    std::string identity;
    // What the answer depends on: fontconfig's configuration files and folders, the folders of fonts it knows
    // (which it checks by their times as well), and the faces it gave.
    std::vector<std::string> watched;
};

// The faces the shell's texts are drawn from, as fontconfig gives them now: another file, or the same file
// changed, draws other pixels. So does another FreeType.
Asked ask_fontconfig()
{
    Asked asked;
    asked.identity =
        std::to_string(FREETYPE_MAJOR) + "." + std::to_string(FREETYPE_MINOR) + "." + std::to_string(FREETYPE_PATCH);
    std::lock_guard guard(platform::text::text_mutex());
    for (bool bold : {false, true}) {
        auto face = platform::text::FontCache::instance().locate("", bold, false);
        asked.identity += "|";
        if (!face) continue;
        asked.identity += face->path + "#" + std::to_string(face->index) + (face->synthetic_bold ? "+bold" : "") + ":" +
            file_stamp(face->path);
        asked.watched.push_back(face->path);
    }
    for (std::string& path : platform::text::fontconfig_watched_paths()) asked.watched.push_back(std::move(path));
    return asked;
}

// The identity kept in the record, when the record is whole and nothing it watches has changed since.
std::optional<std::string> recorded_identity(const fs::path& record)
{
    std::ifstream in(record);
    std::string mark, identity, values;
    if (!std::getline(in, mark) || mark != record_mark || !std::getline(in, identity) || !std::getline(in, values) ||
        values != fontconfig_environment())
        return std::nullopt;
    std::string line;
    int watched = 0;
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab == std::string::npos || file_stamp(line.substr(0, tab)) != line.substr(tab + 1)) return std::nullopt;
        ++watched;
    }
    if (watched == 0) return std::nullopt;
    return identity;
}

void write_record(const fs::path& record, const Asked& asked)
{
    std::ostringstream text;
    text << record_mark << "\n" << asked.identity << "\n" << fontconfig_environment() << "\n";
    for (const std::string& path : asked.watched) {
        // A name that cannot be written on one line cannot be watched: then nothing is recorded.
        if (path.find_first_of("\t\n") != std::string::npos) return;
        text << path << "\t" << file_stamp(path) << "\n";
    }
    std::error_code error;
    fs::create_directories(record.parent_path(), error);
    // A record that cannot be written is only asked for again next time.
    (void)platform::files::write_file_atomically(record, text.str(), platform::files::Durability::replaced);
}

std::string work_out_version()
{
    std::string identity = host_font_identity(kept_art_file("host-fonts.txt"));
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : identity) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    char version[48];
    std::snprintf(version, sizeof version, "%s%016llx", VELMOR_FINISHED_ART_KEY, static_cast<unsigned long long>(hash));
    return version;
}

}  // namespace

std::string host_font_identity(const std::filesystem::path& record)
{
    if (!record.empty())
        if (auto identity = recorded_identity(record)) return *identity;
    Asked asked = ask_fontconfig();
    if (!record.empty()) write_record(record, asked);
    return asked.identity;
}

std::string finished_art_version()
{
    static const std::string version = work_out_version();
    return version;
}

}  // namespace platform::shell
