#include "platform/text/located_faces.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/files/atomic_file.h"

namespace platform::text {
namespace {

namespace fs = std::filesystem;

constexpr const char* record_mark = "velmor located faces 1";

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// "0" or "1"; anything else marks a damaged file.
std::optional<bool> flag(const std::string& field)
{
    if (field == "0" || field == "1") return field == "1";
    return std::nullopt;
}

bool fits_a_field(const std::string& text) { return text.find_first_of("\t\n") == std::string::npos; }

void add_all(FcStrList* list, std::vector<std::string>& into)
{
    if (!list) return;
    while (FcChar8* path = FcStrListNext(list)) into.emplace_back(reinterpret_cast<const char*>(path));
    FcStrListDone(list);
}

std::optional<FaceAnswers> parse(std::istream& in)
{
    std::string mark, environment, line;
    if (!std::getline(in, mark) || mark != record_mark || !std::getline(in, environment) ||
        environment != fontconfig_environment())
        return std::nullopt;
    FaceAnswers answers;
    int watched = 0;
    while (std::getline(in, line)) {
        auto fields = fields_of(line);
        if (fields[0] == "W" && fields.size() == 3) {
            if (file_stamp(fields[1]) != fields[2]) return std::nullopt;
            ++watched;
        } else if (fields[0] == "F" && (fields.size() == 5 || fields.size() == 9)) {
            auto bold = flag(fields[2]), italic = flag(fields[3]);
            if (!bold || !italic) return std::nullopt;
            FaceQuestion question {fields[1], *bold, *italic};
            if (fields.size() == 5) {
                if (fields[4] != "-") return std::nullopt;
                answers[question] = std::nullopt;
                continue;
            }
            auto synthetic_bold = flag(fields[7]), synthetic_italic = flag(fields[8]);
            if (!synthetic_bold || !synthetic_italic) return std::nullopt;
            FaceFile face;
            face.path = fields[4];
            face.family = fields[6];
            face.synthetic_bold = *synthetic_bold;
            face.synthetic_italic = *synthetic_italic;
            std::size_t used = 0;
            try {
                face.index = std::stoi(fields[5], &used);
            } catch (const std::exception&) {
                return std::nullopt;
            }
            if (used != fields[5].size()) return std::nullopt;
            answers[question] = face;
        } else {
            return std::nullopt;
        }
    }
    // A record that watches nothing could never be found out of date.
    if (watched == 0) return std::nullopt;
    return answers;
}

}  // namespace

std::string file_stamp(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0) return "-";
    return std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
        std::to_string(status.st_mtim.tv_nsec) + ":" + std::to_string(status.st_ino);
}

std::string fontconfig_environment()
{
    std::string values;
    for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "XDG_CONFIG_HOME", "HOME"}) {
        const char* value = std::getenv(name);
        values += std::string(name) + "=" + (value ? value : "") + ";";
    }
    return values;
}

std::vector<std::string> fontconfig_watched_paths()
{
    std::vector<std::string> watched;
    FcConfig* config = FcConfigGetCurrent();
    add_all(FcConfigGetConfigFiles(config), watched);
    add_all(FcConfigGetConfigDirs(config), watched);
    add_all(FcConfigGetFontDirs(config), watched);
    // A user's configuration that does not exist yet is in none of those
    // lists; its making must show too.
    const char* home = std::getenv("HOME");
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    std::string user_config = config_home && *config_home ? config_home : std::string(home ? home : "") + "/.config";
    watched.push_back(user_config);
    watched.push_back(user_config + "/fontconfig");
    watched.push_back(user_config + "/fontconfig/conf.d");
    if (home) {
        watched.push_back(std::string(home) + "/.fonts.conf");
        watched.push_back(std::string(home) + "/.fonts.conf.d");
    }
    return watched;
}

std::optional<FaceAnswers> read_located_faces(const fs::path& file)
{
    std::ifstream in(file);
    if (!in) return std::nullopt;
    return parse(in);
}

void write_located_faces(const fs::path& file, const FaceAnswers& answers, const std::vector<std::string>& watched)
{
    std::set<std::string> paths(watched.begin(), watched.end());
    std::ostringstream text;
    text << record_mark << "\n" << fontconfig_environment() << "\n";
    for (const auto& [question, face] : answers) {
        const auto& [family, bold, italic] = question;
        if (!fits_a_field(family)) return;
        text << "F\t" << family << "\t" << bold << "\t" << italic;
        if (!face) {
            text << "\t-\n";
            continue;
        }
        if (!fits_a_field(face->path) || !fits_a_field(face->family) || face->path == "-") return;
        text << "\t" << face->path << "\t" << face->index << "\t" << face->family << "\t" << face->synthetic_bold
             << "\t" << face->synthetic_italic << "\n";
        // A face changed in place draws other glyphs.
        paths.insert(face->path);
    }
    for (const std::string& path : paths) {
        if (!fits_a_field(path)) return;
        text << "W\t" << path << "\t" << file_stamp(path) << "\n";
    }
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    // A record that cannot be written is only asked for again next time.
    (void)platform::files::write_file_atomically(file, text.str(), platform::files::Durability::replaced);
}

}  // namespace platform::text
