// The process entry of a phone program: the host sets up the phone and runs
// the WinMain the program links in.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/phone_boot.h"
#include "platform/host/scenario.h"
#include "platform/include/winmain.h"

namespace {

// A program built on the framework constructs its application object, and
// with it its main window, while the program's static objects are
// initialised, before main runs: the window reads the theme colours from the
// phone's registry, loads its resource library from the program's folder and
// asks for the program's file name. So the phone's file system, registry,
// program path and language (PhoneBoot's first stages) are put in place
// here, ahead of every static initialiser of the program (the lowest
// priority number GCC leaves to programs). run_phone later sets up the rest
// of the phone from the same options, these parts again included. The
// platform keeps its state in function-local statics, so it is ready to be
// used this early.
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
    platform::host::PhoneBootOptions boot_options;
    boot_options.device_root = settings.device_root;
    // The folders are run_phone's to make, once it has taken the run.
    boot_options.standard_folders = false;
    boot_options.language = options->language;
    platform::host::PhoneBoot early(std::move(boot_options));
    // Left up for run_phone, which brings the phone up over it and says what
    // fails (the registry's own setbacks are said on standard error as it
    // loads).
    if (early.bring_up_to(platform::host::PhoneBoot::Stage::registry)) early.release();
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return platform::host::run_phone(arguments, &WinMain);
}
