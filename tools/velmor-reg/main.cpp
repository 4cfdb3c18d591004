// velmor-reg: reads and changes the phone's registry from the host, in the
// manner of Windows' reg.exe. It never rewrites a hive it cannot parse, and
// saves through the same atomic write as the phone.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files/device_root.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/registry_host.h"
#include "reg_commands.h"

namespace {

const char usage_text[] = R"(usage: velmor-reg [--device-root DIR [--create-device-root] | --file FILE] COMMAND ...

The registry is DIR/registry.reg (the phone's device root) or FILE. When the
file does not exist yet, the phone's shipped defaults are used. A DIR that
does not exist is refused (a mistyped path is not a new phone) unless
--create-device-root is given.

Commands:
  query KEY [/v NAME | /ve] [/s]
        show the values and subkeys of KEY (/s: everything below it)
  add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/s SEPARATOR] [/f]
        create KEY and its parents; with /v or /ve also set a value
        (/f overwrites an existing value without asking)
  delete KEY [/v NAME | /ve | /va] [/f]
        delete KEY and everything below it, one value, or all values
  import FILE.reg
        apply a .reg file; a malformed one changes nothing
  export KEY FILE.reg [/y]
        write KEY and everything below it as a .reg file (/y overwrites)

KEY is ROOT\Path\To\Key, ROOT one of HKEY_LOCAL_MACHINE (HKLM),
HKEY_CURRENT_USER (HKCU), HKEY_CLASSES_ROOT (HKCR), HKEY_USERS (HKU).
TYPE is REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ (items separated by
\0 or SEPARATOR), REG_DWORD (decimal or 0x hex), REG_BINARY or REG_NONE (hex
digits, two per byte).
)";

int fail(const std::string& message, int status)
{
    std::fprintf(stderr, "velmor-reg: %s\n", message.c_str());
    if (status == 2) std::fprintf(stderr, "velmor-reg: see velmor-reg --help\n");
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            std::fputs(usage_text, stdout);
            return 0;
        }
    }

    std::filesystem::path file;
    std::string device_root;
    bool create_device_root = false;
    std::size_t index = 0;
    for (; index < args.size() && args[index].rfind("--", 0) == 0; ++index) {
        const std::string& option = args[index];
        if (option == "--create-device-root") {
            create_device_root = true;
            continue;
        }
        if (option != "--device-root" && option != "--file") return fail("unknown option " + option, 2);
        if (index + 1 >= args.size()) return fail(option + " needs a folder or file name", 2);
        if (!file.empty()) return fail("give --device-root or --file once", 2);
        const std::string& where = args[++index];
        if (option == "--file") {
            file = where;
        } else {
            device_root = where;
            file = where;
        }
    }
    if (file.empty()) return fail("no registry given: use --device-root DIR or --file FILE", 2);
    if (create_device_root && device_root.empty()) return fail("--create-device-root goes with --device-root", 2);
    if (!device_root.empty()) {
        std::error_code missing;
        if (!create_device_root && !std::filesystem::exists(device_root, missing))
            return fail("the device root " + device_root +
                    " does not exist; give --create-device-root to make a new phone there",
                2);
        if (!platform::files::set_device_root(device_root))
            return fail("cannot use " + device_root + " as the device root", 1);
        file = platform::registry::device_registry_file();
        if (file.empty())
            return fail("cannot use the registry of " + device_root + ": " +
                    platform::files::explain_refusal(u"\\registry.reg"),
                1);
    }
    if (index >= args.size()) return fail("no command given", 2);
    std::string command = args[index];
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(index) + 1, args.end());

    auto parsed = velmor_reg::parse_command(command, rest);
    if (!parsed) return fail(parsed.failure().text(), 2);

    platform::registry::Hive hive;
    std::error_code code;
    if (std::filesystem::exists(file, code)) {
        auto loaded = platform::registry::load_hive_file(hive, file, platform::registry::shipped_defaults(),
            "the shipped defaults", platform::registry::MalformedFile::refuse);
        if (!loaded) return fail(loaded.failure().text() + "; the file is left as it is: fix it or move it aside", 1);
    } else {
        // Reading a missing registry must not create it; the first change does.
        auto defaults =
            platform::registry::load_hive_text(hive, platform::registry::shipped_defaults(), "the shipped defaults");
        if (!defaults) return fail(defaults.failure().text(), 1);
        std::lock_guard lock(hive.mutex());
        hive.set_file(file);
        // What a missing file stands for, so a file another writer makes
        // meanwhile is merged with rather than replaced.
        hive.remember_saved_state(std::nullopt);
    }

    auto changed = velmor_reg::run_command(hive, *parsed);
    if (!changed) return fail(changed.failure().text(), 1);
    if (*changed) {
        if (auto saved = platform::registry::flush_hive(hive); !saved)
            return fail("not saved: " + saved.failure().text(), 1);
    }
    return 0;
}
