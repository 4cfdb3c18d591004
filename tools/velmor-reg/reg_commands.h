// The commands of velmor-reg, each working on a hive loaded by main.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/hive.h"

namespace velmor_reg {

struct Outcome {
    int status = 0;  // the process's exit status
    std::string error;  // one line for standard error when status is not 0
    bool changed = false;  // the hive must be saved
};

// args are the words after the command name.
Outcome run_query(platform::registry::Hive& hive, const std::vector<std::string>& args);
Outcome run_add(platform::registry::Hive& hive, const std::vector<std::string>& args);
Outcome run_delete(platform::registry::Hive& hive, const std::vector<std::string>& args);
Outcome run_import(platform::registry::Hive& hive, const std::vector<std::string>& args);
Outcome run_export(platform::registry::Hive& hive, const std::vector<std::string>& args);

}  // namespace velmor_reg
