// The process entry of a phone program: the host sets up the phone and runs
// the WinMain the program links in.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files/device_root.h"
#include "platform/host/host.h"
#include "platform/host/scenario.h"
#include "platform/include/winmain.h"
#include "platform/kernel/language.h"
#include "platform/loader/module_registry.h"
#include "platform/registry/registry_host.h"

namespace {

constexpr const char16_t* program_path = u"\\Program Files\\Velmor\\Velmor.exe";

// A program built on the framework constructs its application object, and
// with it its main window, while the program's static objects are
// initialised, before main runs: the window reads the theme colours from the
// phone's registry, loads its resource library from the program's folder and
// asks for the program's file name. So the phone's file system, registry,
// program path and language are put in place here, ahead of every static
// initialiser of the program (the lowest priority number GCC leaves to
// programs). run_phone later sets up the rest of the phone from the same
// options, these parts again included. The platform keeps its state in
// function-local statics, so it is ready to be used this early.
//
// A command line that run_phone will refuse, or a device root that does not
// exist yet, is left alone here: nothing of the phone may be made before the
// host has accepted the run, and a new phone has no library to load anyway.
__attribute__((constructor(101))) void prepare_phone_before_static_objects(int argc, char** argv, char**)
{
    if (argc < 1 || !argv) return;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto options = platform::host::parse_options(arguments);
    if (!options || options->help) return;
    if (!options->script.empty()) {
        // As run_phone reads it: references about to be written need not exist.
        platform::host::ScenarioParseOptions parse_options;
        parse_options.updating_references = platform::host::process_environment()("VELMOR_UPDATE_REFERENCES") == "1";
        if (!platform::host::parse_scenario_file(options->script, parse_options)) return;
    }
    platform::host::Settings settings =
        platform::host::resolve_settings(*options, platform::host::process_environment());
    std::error_code failure;
    if (!std::filesystem::is_directory(settings.device_root, failure)) return;
    if (!platform::files::set_device_root(settings.device_root)) return;
    // What went wrong is said on standard error as it loads; the phone runs
    // from the defaults then.
    (void)platform::registry::load_device_registry();
    platform::loader::set_program_path(program_path);
    platform::language::set_ui_language(options->language);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return platform::host::run_phone(arguments, &WinMain);
}
