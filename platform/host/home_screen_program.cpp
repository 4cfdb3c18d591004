// Linked into a phone program that the home screen starts from its icon
// (velmor, the shaver): the phone then boots to its home screen and the
// program starts on a tap on the icon, the host's own or, with --home, a
// person's or a script's.

#include "platform/host/launcher.h"

namespace {

[[maybe_unused]] const bool started_from_icon = (platform::host::set_started_from_home_screen(true), true);

}  // namespace
