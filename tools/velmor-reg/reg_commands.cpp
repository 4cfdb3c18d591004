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

// What each command takes: its switches, and how many words besides them.
platform::Result<Command> parse_command(const std::string& name, const std::vector<std::string>& args)
{
    struct Form {
        const char* name;
        Command::Kind kind;
        const char* switches;
        bool separator_takes_value;
        std::size_t words;
        const char* words_text;
    };
    static const Form forms[] = {
        {"query", Command::Kind::query, "v ve s", false, 1, "query takes one key name"},
        {"add", Command::Kind::add, "v ve t d s f", true, 1, "add takes one key name"},
        {"delete", Command::Kind::remove, "v ve va f", false, 1, "delete takes one key name"},
        {"import", Command::Kind::import, "", false, 1, "import takes one .reg file"},
        {"export", Command::Kind::export_key, "y", false, 2, "export takes a key name and a file name"},
    };
    const Form* form = nullptr;
    for (const Form& candidate : forms)
        if (name == candidate.name) form = &candidate;
    if (!form) return platform::Failure {"unknown command \"" + name + "\""};

    auto switches = parse_switches(args, form->switches, form->separator_takes_value);
    if (!switches) return switches.failure();
    Command command;
    command.kind = form->kind;
    command.switches = std::move(*switches);
    const Switches& given = command.switches;
    if (given.positional.size() != form->words) return platform::Failure {form->words_text};
    if (command.kind == Command::Kind::import) return command;

    auto key = parse_key_name(given.positional[0]);
    if (!key) return key.failure();
    command.key = *key;
    if (command.kind == Command::Kind::remove && given.value_name && given.all_values)
        return platform::Failure {"give one of /v, /ve and /va"};
    if (command.kind != Command::Kind::add) return command;

    if (!given.value_name && (given.type || given.data)) return platform::Failure {"/t and /d need /v NAME or /ve"};
    if (!given.value_name) return command;
    auto type = type_from_name(given.type.value_or("REG_SZ"));
    if (!type)
        return platform::Failure {"unknown type " + *given.type +
            ": use REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY or REG_NONE"};
    auto value = value_from_text(*type, given.data.value_or(""), given.separator.value_or(""));
    if (!value) return value.failure();
    command.value = std::move(*value);
    command.value_name = platform::from_utf8(*given.value_name);
    if (platform::to_utf8(command.value_name) != *given.value_name ||
        !platform::registry::is_storable_name(command.value_name) ||
        command.value_name.size() > platform::registry::max_value_name_length)
        return platform::Failure {"bad value name \"" + *given.value_name + "\""};
    return command;
}

namespace {

platform::Result<bool> run_query(Hive& hive, const Command& command)
{
    const Switches& switches = command.switches;
    std::lock_guard lock(hive.mutex());
    auto key = find(hive, command.key);
    if (!key) return platform::Failure {"key " + switches.positional[0] + " not found"};
    if (switches.value_name) {
        std::u16string value_name = platform::from_utf8(*switches.value_name);
        auto found = key->values().find(value_name);
        if (found == key->values().end())
            return platform::Failure {
                "value " + value_label(value_name) + " not found in " + platform::to_utf8(full_name(*key))};
        std::cout << platform::to_utf8(full_name(*key)) << "\n";
        print_value(found->first, found->second);
        return false;
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
    return false;
}

platform::Result<bool> run_add(Hive& hive, const Command& command)
{
    std::lock_guard lock(hive.mutex());
    std::shared_ptr<RegistryKey> key = hive.root(command.key.root);
    std::vector<std::u16string_view> components;
    platform::registry::split_key_path(command.key.path, components);
    bool changed = false;
    for (auto component : components) {
        bool created = false;
        key = key->create_subkey(component, created);
        changed = changed || created;
    }
    if (command.value) {
        const std::u16string& value_name = command.value_name;
        // A refused command saves nothing, the keys it made on the way neither.
        if (key->find_value(value_name) && !command.switches.force &&
            !confirm("Value " + value_label(value_name) + " exists, overwrite"))
            return platform::Failure {"value " + value_label(value_name) + " already exists in " +
                platform::to_utf8(full_name(*key)) + "; give /f to overwrite it"};
        key->set_value(value_name, *command.value);
        changed = true;
    }
    if (changed) hive.mark_dirty();
    return changed;
}

platform::Result<bool> run_delete(Hive& hive, const Command& command)
{
    const Switches& switches = command.switches;
    std::lock_guard lock(hive.mutex());
    auto key = find(hive, command.key);
    if (!key) return platform::Failure {"key " + switches.positional[0] + " not found"};
    std::string key_text = platform::to_utf8(full_name(*key));
    platform::Failure not_asked {"not deleted; give /f to delete without asking"};
    if (switches.value_name) {
        std::u16string value_name = platform::from_utf8(*switches.value_name);
        if (!key->find_value(value_name))
            return platform::Failure {"value " + value_label(value_name) + " not found in " + key_text};
        if (!switches.force && !confirm("Delete value " + value_label(value_name) + " of " + key_text))
            return not_asked;
        key->delete_value(value_name);
    } else if (switches.all_values) {
        if (!switches.force && !confirm("Delete all values of " + key_text)) return not_asked;
        std::vector<std::u16string> names;
        for (const auto& [value_name, value] : key->values()) names.push_back(value_name);
        for (const auto& value_name : names) key->delete_value(value_name);
    } else {
        if (!key->parent()) return platform::Failure {"a root key cannot be deleted"};
        if (!switches.force && !confirm("Delete " + key_text + " and everything below it")) return not_asked;
        key->parent()->delete_subkey(key->name());
    }
    hive.mark_dirty();
    return true;
}

platform::Result<bool> run_import(Hive& hive, const Command& command)
{
    const std::string& file = command.switches.positional[0];
    auto bytes = platform::registry::read_hive_bytes(file);
    if (!bytes) return bytes.failure();
    auto script = platform::registry::parse_reg_text(*bytes, file);
    if (!script) {
        platform::Failure failure = script.failure();
        failure.message += "; nothing was imported";
        return failure;
    }
    try {
        platform::registry::apply_reg_script(*script, hive);
    } catch (const std::bad_alloc&) {
        // The hive is half changed now; it is not saved.
        return platform::failure_at(file, "not enough memory to apply it; nothing was imported");
    }
    return true;
}

platform::Result<bool> run_export(Hive& hive, const Command& command)
{
    const Switches& switches = command.switches;
    const std::string& file = switches.positional[1];
    std::error_code ignored;
    if (std::filesystem::exists(file, ignored) && !switches.overwrite)
        return platform::Failure {file + " already exists; give /y to overwrite it"};
    std::string text;
    {
        std::lock_guard lock(hive.mutex());
        auto key = find(hive, command.key);
        if (!key) return platform::Failure {"key " + switches.positional[0] + " not found"};
        text = platform::registry::write_reg_text(*key, full_name(*key));
    }
    if (auto written = platform::files::write_file_atomically(file, text); !written) return written.failure();
    return false;
}

}  // namespace

platform::Result<bool> run_command(Hive& hive, const Command& command)
{
    switch (command.kind) {
    case Command::Kind::query:
        return run_query(hive, command);
    case Command::Kind::add:
        return run_add(hive, command);
    case Command::Kind::remove:
        return run_delete(hive, command);
    case Command::Kind::import:
        return run_import(hive, command);
    case Command::Kind::export_key:
        return run_export(hive, command);
    }
    return platform::Failure {"unknown command"};
}

}  // namespace velmor_reg
