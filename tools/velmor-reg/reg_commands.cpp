#include "reg_commands.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <unistd.h>

#include "platform/files/atomic_file.h"
#include "platform/kernel/utf.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/reg_text.h"
#include "value_text.h"

namespace velmor_reg {
namespace {

using platform::registry::Hive;
using platform::registry::RegistryKey;
using platform::registry::RegistryValue;

constexpr int usage_status = 2;

Outcome failure(std::string message, int status = 1) { return {status, std::move(message), false}; }

// The switches of a command line: "/v NAME", "/ve", "/f" ... (also with "-").
struct Switches {
    std::vector<std::string> positional;
    std::optional<std::string> value_name;  // /v NAME, or "" for /ve
    std::optional<std::string> type, data, separator;
    bool force = false, all_values = false, recursive = false, overwrite = false;
};

bool is_switch(const std::string& word, const char* name)
{
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return false;
    std::u16string given = platform::from_utf8(word.substr(1));
    return platform::registry::caseless_equal(given, platform::from_utf8(name));
}

// allowed lists the switches the command takes, such as "v ve t d s f".
platform::Result<Switches> parse_switches(
    const std::vector<std::string>& args, const std::string& allowed, bool separator_takes_value)
{
    Switches switches;
    std::optional<platform::Failure> refusal;
    auto takes = [&allowed](const char* name) {
        return (" " + allowed + " ").find(" " + std::string(name) + " ") != std::string::npos;
    };
    for (std::size_t i = 0; i < args.size() && !refusal; ++i) {
        const std::string& word = args[i];
        auto next = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                refusal = platform::Failure {word + " needs " + what};
                return std::nullopt;
            }
            return args[++i];
        };
        if (takes("v") && is_switch(word, "v")) {
            if (switches.value_name) refusal = platform::Failure {"give /v or /ve once"};
            switches.value_name = next("a value name");
        } else if (takes("ve") && is_switch(word, "ve")) {
            if (switches.value_name) refusal = platform::Failure {"give /v or /ve once"};
            switches.value_name = "";
        } else if (takes("t") && is_switch(word, "t")) {
            switches.type = next("a type such as REG_SZ");
        } else if (takes("d") && is_switch(word, "d")) {
            switches.data = next("the data");
        } else if (takes("s") && is_switch(word, "s")) {
            if (separator_takes_value)
                switches.separator = next("a separator");
            else
                switches.recursive = true;
        } else if (takes("f") && is_switch(word, "f")) {
            switches.force = true;
        } else if (takes("va") && is_switch(word, "va")) {
            switches.all_values = true;
        } else if (takes("y") && is_switch(word, "y")) {
            switches.overwrite = true;
        } else if (word.size() >= 2 && word.size() <= 3 && word[0] == '/' &&
            std::isalpha(static_cast<unsigned char>(word[1])) &&
            std::isalpha(static_cast<unsigned char>(word.back()))) {
            // Longer words starting with "/" are host paths, such as /tmp/a.reg.
            refusal = platform::Failure {"unknown switch " + word};
        } else {
            switches.positional.push_back(word);
        }
    }
    if (refusal) return *refusal;
    return switches;
}

struct KeyName {
    platform::registry::RootKey root;
    std::u16string path;  // below the root, without a leading backslash
};

platform::Result<KeyName> parse_key_name(const std::string& text)
{
    std::u16string name = platform::from_utf8(text);
    std::size_t slash = name.find(u'\\');
    auto root = platform::registry::root_key_from_name(std::u16string_view(name).substr(0, slash), true);
    if (!root)
        return platform::Failure {
            "unknown root key in \"" + text + "\": start with HKLM, HKCU, HKCR, HKU or their long names"};
    KeyName key {*root, slash == std::u16string::npos ? u"" : name.substr(slash + 1)};
    std::vector<std::u16string_view> components;
    if (!platform::registry::split_key_path(key.path, components) || platform::to_utf8(name) != text)
        return platform::Failure {"bad key name \"" + text + "\""};
    return key;
}

// The full name of a key as stored: "HKEY_LOCAL_MACHINE\SOFTWARE\Orvane".
std::u16string full_name(const RegistryKey& key)
{
    std::vector<const RegistryKey*> chain;
    for (const RegistryKey* k = &key; k; k = k->parent()) chain.push_back(k);
    std::u16string name;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!name.empty()) name += u'\\';
        name += (*it)->name();
    }
    return name;
}

std::string value_label(const std::u16string& name) { return name.empty() ? "(Default)" : platform::to_utf8(name); }

void print_value(const std::u16string& name, const RegistryValue& value)
{
    std::cout << "    " << value_label(name) << "    " << type_name(value.type) << "    " << display_value(value)
              << "\n";
}

// Asks on the terminal; without one the command must be given /f.
bool confirm(const std::string& question)
{
    if (!::isatty(STDIN_FILENO)) return false;
    std::cout << question << " (Yes/No)? " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

std::shared_ptr<RegistryKey> find(Hive& hive, const KeyName& name) { return hive.find_key(name.root, name.path); }

}  // namespace

Outcome run_query(Hive& hive, const std::vector<std::string>& args)
{
    auto parsed_switches = parse_switches(args, "v ve s", false);
    if (!parsed_switches) return failure(parsed_switches.failure().text(), usage_status);
    const Switches& switches = *parsed_switches;
    if (switches.positional.size() != 1) return failure("query takes one key name", usage_status);
    auto name = parse_key_name(switches.positional[0]);
    if (!name) return failure(name.failure().text(), usage_status);
    std::lock_guard lock(hive.mutex());
    auto key = find(hive, *name);
    if (!key) return failure("key " + switches.positional[0] + " not found");
    if (switches.value_name) {
        std::u16string value_name = platform::from_utf8(*switches.value_name);
        auto found = key->values().find(value_name);
        if (found == key->values().end())
            return failure("value " + value_label(value_name) + " not found in " + platform::to_utf8(full_name(*key)));
        std::cout << platform::to_utf8(full_name(*key)) << "\n";
        print_value(found->first, found->second);
        return {};
    }
    std::vector<std::shared_ptr<RegistryKey>> pending = {key};
    while (!pending.empty()) {
        auto current = std::move(pending.back());
        pending.pop_back();
        std::cout << platform::to_utf8(full_name(*current)) << "\n";
        for (const auto& [value_name, value] : current->values()) print_value(value_name, value);
        std::cout << "\n";
        if (switches.recursive) {
            for (auto it = current->subkeys().rbegin(); it != current->subkeys().rend(); ++it)
                pending.push_back(it->second);
        } else {
            for (const auto& [subkey_name, subkey] : current->subkeys())
                std::cout << platform::to_utf8(full_name(*subkey)) << "\n";
        }
    }
    return {};
}

Outcome run_add(Hive& hive, const std::vector<std::string>& args)
{
    auto parsed_switches = parse_switches(args, "v ve t d s f", true);
    if (!parsed_switches) return failure(parsed_switches.failure().text(), usage_status);
    const Switches& switches = *parsed_switches;
    if (switches.positional.size() != 1) return failure("add takes one key name", usage_status);
    auto name = parse_key_name(switches.positional[0]);
    if (!name) return failure(name.failure().text(), usage_status);
    if (!switches.value_name && (switches.type || switches.data))
        return failure("/t and /d need /v NAME or /ve", usage_status);

    std::optional<RegistryValue> value;
    std::u16string value_name;
    if (switches.value_name) {
        auto type = type_from_name(switches.type.value_or("REG_SZ"));
        if (!type)
            return failure("unknown type " + *switches.type +
                    ": use REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY or REG_NONE",
                usage_status);
        auto given = value_from_text(*type, switches.data.value_or(""), switches.separator.value_or(""));
        if (!given) return failure(given.failure().text(), usage_status);
        value = std::move(*given);
        value_name = platform::from_utf8(*switches.value_name);
        if (platform::to_utf8(value_name) != *switches.value_name ||
            !platform::registry::is_storable_name(value_name) ||
            value_name.size() > platform::registry::max_value_name_length)
            return failure("bad value name \"" + *switches.value_name + "\"", usage_status);
    }

    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key = hive.root(name->root);
    std::vector<std::u16string_view> components;
    platform::registry::split_key_path(name->path, components);
    bool created_any = false;
    for (auto component : components) {
        bool created = false;
        key = key->create_subkey(component, created);
        created_any = created_any || created;
    }
    Outcome outcome;
    outcome.changed = created_any;
    if (value) {
        if (key->find_value(value_name) && !switches.force &&
            !confirm("Value " + value_label(value_name) + " exists, overwrite")) {
            outcome.status = 1;
            outcome.error = "value " + value_label(value_name) + " already exists in " +
                platform::to_utf8(full_name(*key)) + "; give /f to overwrite it";
            return outcome;
        }
        key->set_value(value_name, std::move(*value));
        outcome.changed = true;
    }
    if (outcome.changed) hive.mark_dirty();
    return outcome;
}

Outcome run_delete(Hive& hive, const std::vector<std::string>& args)
{
    auto parsed_switches = parse_switches(args, "v ve va f", false);
    if (!parsed_switches) return failure(parsed_switches.failure().text(), usage_status);
    const Switches& switches = *parsed_switches;
    if (switches.positional.size() != 1) return failure("delete takes one key name", usage_status);
    if (switches.value_name && switches.all_values) return failure("give one of /v, /ve and /va", usage_status);
    auto name = parse_key_name(switches.positional[0]);
    if (!name) return failure(name.failure().text(), usage_status);
    std::lock_guard lock(hive.mutex());
    auto key = find(hive, *name);
    if (!key) return failure("key " + switches.positional[0] + " not found");
    std::string key_text = platform::to_utf8(full_name(*key));
    Outcome outcome;
    if (switches.value_name) {
        std::u16string value_name = platform::from_utf8(*switches.value_name);
        if (!key->find_value(value_name))
            return failure("value " + value_label(value_name) + " not found in " + key_text);
        if (!switches.force && !confirm("Delete value " + value_label(value_name) + " of " + key_text))
            return failure("not deleted; give /f to delete without asking");
        key->delete_value(value_name);
    } else if (switches.all_values) {
        if (!switches.force && !confirm("Delete all values of " + key_text))
            return failure("not deleted; give /f to delete without asking");
        std::vector<std::u16string> names;
        for (const auto& [value_name, value] : key->values()) names.push_back(value_name);
        for (const auto& value_name : names) key->delete_value(value_name);
    } else {
        if (!key->parent()) return failure("a root key cannot be deleted");
        if (!switches.force && !confirm("Delete " + key_text + " and everything below it"))
            return failure("not deleted; give /f to delete without asking");
        key->parent()->delete_subkey(key->name());
    }
    outcome.changed = true;
    hive.mark_dirty();
    return outcome;
}

Outcome run_import(Hive& hive, const std::vector<std::string>& args)
{
    auto parsed_switches = parse_switches(args, "", false);
    if (!parsed_switches) return failure(parsed_switches.failure().text(), usage_status);
    const Switches& switches = *parsed_switches;
    if (switches.positional.size() != 1) return failure("import takes one .reg file", usage_status);
    const std::string& file = switches.positional[0];
    auto bytes = platform::registry::read_hive_bytes(file);
    if (!bytes) return failure(bytes.failure().text());
    auto script = platform::registry::parse_reg_text(*bytes, file);
    if (!script) return failure(script.failure().text() + "; nothing was imported");
    try {
        platform::registry::apply_reg_script(*script, hive);
    } catch (const std::bad_alloc&) {
        // The hive is half changed now; it is not saved.
        return failure(file + ": not enough memory to apply it; nothing was imported");
    }
    Outcome outcome;
    outcome.changed = true;
    return outcome;
}

Outcome run_export(Hive& hive, const std::vector<std::string>& args)
{
    auto parsed_switches = parse_switches(args, "y", false);
    if (!parsed_switches) return failure(parsed_switches.failure().text(), usage_status);
    const Switches& switches = *parsed_switches;
    if (switches.positional.size() != 2) return failure("export takes a key name and a file name", usage_status);
    auto name = parse_key_name(switches.positional[0]);
    if (!name) return failure(name.failure().text(), usage_status);
    const std::string& file = switches.positional[1];
    std::error_code ignored;
    if (std::filesystem::exists(file, ignored) && !switches.overwrite)
        return failure(file + " already exists; give /y to overwrite it");
    std::string text;
    {
        std::lock_guard lock(hive.mutex());
        auto key = find(hive, *name);
        if (!key) return failure("key " + switches.positional[0] + " not found");
        text = platform::registry::write_reg_text(*key, full_name(*key));
    }
    if (auto written = platform::files::write_file_atomically(file, text); !written)
        return failure(written.failure().text());
    return {};
}

}  // namespace velmor_reg
