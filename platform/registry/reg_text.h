// The hive file's text: the Windows registry export format, version 5.00.
//
// Reading is split in two steps, parse then apply, so a file with an error
// anywhere changes nothing. Writing is canonical: the same hive always gives
// the same text, and that text parses back to the same hive.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/result.h"
#include "platform/registry/hive.h"

namespace platform::registry {

inline constexpr std::string_view reg_file_header = "Windows Registry Editor Version 5.00";

// One step of a .reg file. Value steps act on the key of the latest
// create_key step.
struct RegOperation {
    enum class Kind { create_key, delete_key, set_value, delete_value };
    Kind kind = Kind::create_key;
    RootKey root = RootKey::local_machine;
    std::vector<std::u16string> path;  // create_key, delete_key
    std::u16string name;  // set_value, delete_value
    RegistryValue value;  // set_value
};
using RegScript = std::vector<RegOperation>;

// Parses the bytes of a .reg file: UTF-8 with or without a byte-order mark,
// or UTF-16LE with its byte-order mark. name is what a person knows the text
// by (its file): a fault is reported where "name:line" (or name alone when
// it is not on one line), so people editing the file by hand find it.
Result<RegScript> parse_reg_text(std::string_view bytes, std::string_view name);

// Applies a parsed script; takes the hive's lock and marks it dirty.
void apply_reg_script(const RegScript& script, Hive& hive);

// The canonical text of the whole hive, or of one key and everything below
// it (path is the key's full name, "HKEY_LOCAL_MACHINE\SOFTWARE"). The caller
// holds the hive's lock.
std::string write_reg_text(const Hive& hive);
std::string write_reg_text(const RegistryKey& key, std::u16string_view path);

}  // namespace platform::registry
