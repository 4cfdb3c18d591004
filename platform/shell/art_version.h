// The version of the shell's finished pictures (the home screen's pages, the task bar): what they show depends
// on the code that draws them, the shell's, the GDI's and the text's, and on the font files the host gives for
// the phone's face. A kept picture of another version is never shown.
#pragma once

#include <string>

namespace platform::shell {

// Worked out once per process: asking the host's font configuration costs most of a millisecond.
std::string finished_art_version();

}  // namespace platform::shell
