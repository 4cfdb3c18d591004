// The version of the shell's finished pictures (the home screen's pages, the task bar): what they show depends
// on the code that draws them, the shell's, the GDI's and the text's, and on the font files the host gives for
// the phone's face. A kept picture of another version is never shown.
#pragma once

#include <filesystem>
#include <string>

namespace platform::shell {

// Worked out once per process.
std::string finished_art_version();

// The faces the shell's texts come from. Asking fontconfig costs most of a millisecond, so the answer is
// recorded in the file (when one is given) with what it depends on: fontconfig's configuration files and
// folders, its folders of fonts and the faces themselves, and the variables that choose the configuration.
// While none of them has changed, the record answers.
std::string host_font_identity(const std::filesystem::path& record);

}  // namespace platform::shell
