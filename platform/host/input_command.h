// The scenario command that stands for one input to the phone, so what a
// person or a script did can be written down and played again.
#pragma once

#include <optional>
#include <string>

#include "platform/host/phone_keys.h"
#include "platform/host/scenario.h"
#include "platform/user/host.h"

namespace platform::host {

// "press 240 400", "move 241 410", "release 241 410".
std::string pointer_command(platform::user::PointerKind kind, int x, int y);

// The command of a step that acts on the phone (a finger, a key, a sensor,
// a broadcast); nothing for checks, screenshots and quit, which are no input.
std::optional<std::string> input_command(const ScenarioStep& step);

// The command a window key stands for, read before it is pressed: the
// toggles resolve against the phone's state now ("near on" or "near off").
std::string phone_key_command(PhoneKey key);

}  // namespace platform::host
