// The version of the shell's finished pictures (the home screen's pages, the task bar): what they show depends
// on the code that draws them, the shell's, the GDI's and the text's, and on the font files the host gives for
// the phone's face. A kept picture of another version is never shown.
#pragma once

#include <string>

namespace platform::shell {

// Worked out once per process; the first call waits for the host's font configuration (most of a millisecond).
std::string finished_art_version();

// Starts working it out on a thread of its own, so the first picture shown need not wait for all of it.
void prepare_finished_art_version();

// Waits for that thread, so that nothing of the shell runs on after it has stopped.
void settle_finished_art_version();

}  // namespace platform::shell
