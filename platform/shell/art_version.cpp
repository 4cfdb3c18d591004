#include "platform/shell/art_version.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include "platform/shell/art_cache.h"
#include "platform/text/font_cache.h"

namespace platform::shell {

namespace {

namespace fs = std::filesystem;

constexpr const char* record_mark = "velmor host fonts 1";

// A file or folder as it stands: another size, time or inode means it changed. "-" for one that is missing.
std::string stamp_of(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0) return "-";
    return std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
        std::to_string(status.st_mtim.tv_nsec) + ":" + std::to_string(status.st_ino);
}

// The variables that choose which configuration fontconfig reads.
std::string environment()
{
    std::string values;
    for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "XDG_CONFIG_HOME", "HOME"}) {
        const char* value = std::getenv(name);
        values += std::string(name) + "=" + (value ? value : "") + ";";
    }
    return values;
}

struct Asked {
    std::string identity;
    // What the answer depends on: fontconfig's configuration files and folders, the folders of fonts it knows
    // (which it checks by their times as well), and the faces it gave.
    std::vector<std::string> watched;
};

void add_all(FcStrList* list, std::vector<std::string>& into)
{
    if (!list) return;
    while (FcChar8* path = FcStrListNext(list)) into.emplace_back(reinterpret_cast<const char*>(path));
    FcStrListDone(list);
}

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
            stamp_of(face->path);
        asked.watched.push_back(face->path);
    }
    FcConfig* config = FcConfigGetCurrent();
    add_all(FcConfigGetConfigFiles(config), asked.watched);
    add_all(FcConfigGetConfigDirs(config), asked.watched);
    add_all(FcConfigGetFontDirs(config), asked.watched);
    // A user's configuration that does not exist yet is in none of those lists; its making must show too.
    const char* home = std::getenv("HOME");
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    std::string user_config = config_home && *config_home ? config_home : std::string(home ? home : "") + "/.config";
    asked.watched.push_back(user_config);
    asked.watched.push_back(user_config + "/fontconfig");
    asked.watched.push_back(user_config + "/fontconfig/conf.d");
    if (home) {
        asked.watched.push_back(std::string(home) + "/.fonts.conf");
        asked.watched.push_back(std::string(home) + "/.fonts.conf.d");
    }
    return asked;
}

// The identity kept in the record, when the record is whole and nothing it watches has changed since.
std::optional<std::string> recorded_identity(const fs::path& record)
{
    std::ifstream in(record);
    std::string mark, identity, values;
    if (!std::getline(in, mark) || mark != record_mark || !std::getline(in, identity) || !std::getline(in, values) ||
        values != environment())
        return std::nullopt;
    std::string line;
    int watched = 0;
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab == std::string::npos || stamp_of(line.substr(0, tab)) != line.substr(tab + 1)) return std::nullopt;
        ++watched;
    }
    if (watched == 0) return std::nullopt;
    return identity;
}

void write_record(const fs::path& record, const Asked& asked)
{
    std::ostringstream text;
    text << record_mark << "\n" << asked.identity << "\n" << environment() << "\n";
    for (const std::string& path : asked.watched) {
        // A name that cannot be written on one line cannot be watched: then nothing is recorded.
        if (path.find_first_of("\t\n") != std::string::npos) return;
        text << path << "\t" << stamp_of(path) << "\n";
    }
    std::error_code error;
    fs::create_directories(record.parent_path(), error);
    fs::path part = record;
    part += ".part-" + std::to_string(getpid());
    {
        std::ofstream out(part, std::ios::trunc);
        out << text.str();
        if (!out) {
            out.close();
            fs::remove(part, error);
            return;
        }
    }
    fs::rename(part, record, error);
    if (error) fs::remove(part, error);
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
