// The commands of velmor-reg: a command line is checked whole before the
// hive it works on is loaded, then run on it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/result.h"
#include "platform/registry/hive.h"

namespace velmor_reg {

// The switches of a command line: "/v NAME", "/ve", "/f" ... (also with "-").
struct Switches {
    std::vector<std::string> positional;
    std::optional<std::string> value_name;  // /v NAME, or "" for /ve
    std::optional<std::string> type, data, separator;
    bool force = false, all_values = false, recursive = false, overwrite = false;
};

struct KeyName {
    platform::registry::RootKey root = platform::registry::RootKey::local_machine;
    std::u16string path;  // below the root, without a leading backslash
};

struct Command {
    enum class Kind { query, add, remove, import, export_key };
    Kind kind = Kind::query;
    Switches switches;
    KeyName key;  // all but import
    // add with /v or /ve: the value to set.
    std::optional<platform::registry::RegistryValue> value;
    std::u16string value_name;
};

// Checks a command ("add") and the words after it. A failure is a fault of
// the command line, which the tool answers with its usage status.
platform::Result<Command> parse_command(const std::string& name, const std::vector<std::string>& args);

// Runs a checked command on the hive; true when the hive changed and must be
// saved.
platform::Result<bool> run_command(platform::registry::Hive& hive, const Command& command);

}  // namespace velmor_reg
