// The faces fontconfig gave for the families asked, kept in a file with what
// the answers depend on, so that a later process answers from the file
// without starting fontconfig, which reads and parses its whole configuration
// first (about 3 ms of every start that draws a text).
//
// The answers stand while none of these has changed: fontconfig's
// configuration files and folders, its folders of fonts, the faces given,
// the user's configuration places (also those that do not exist yet) and the
// variables that choose the configuration.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/text/font_instance.h"

namespace platform::text {

// A family (folded), bold, italic.
using FaceQuestion = std::tuple<std::string, bool, bool>;
// No file when no family of that name is installed.
using FaceAnswers = std::map<FaceQuestion, std::optional<FaceFile>>;

// A file or folder as it stands ("size:time:inode"): another stamp means it
// changed. "-" for one that is missing.
std::string file_stamp(const std::string& path);

// The variables that choose which configuration fontconfig reads, as one line.
std::string fontconfig_environment();

// What fontconfig's answers depend on, as it is configured now (this starts
// fontconfig): its configuration files and folders, its folders of fonts and
// the user's configuration places.
std::vector<std::string> fontconfig_watched_paths();

// The answers kept in the file, when it is whole and nothing it watches has
// changed; nothing otherwise.
std::optional<FaceAnswers> read_located_faces(const std::filesystem::path& file);

// Keeps the answers with what they depend on (the watched paths and the
// faces given), written aside and renamed over the file. Nothing is written
// when a name cannot be kept on one line.
void write_located_faces(
    const std::filesystem::path& file, const FaceAnswers& answers, const std::vector<std::string>& watched);

}  // namespace platform::text
