#include "platform/host/phone_boot.h"

#include <mutex>
#include <system_error>
#include <utility>

#include "platform/devices/device_host.h"
#include "platform/files/device_root.h"
#include "platform/gdi/screen.h"
#include "platform/imaging/imaging_factory.h"
#include "platform/include/winbase.h"
#include "platform/include/wingdi.h"
#include "platform/kernel/language.h"
#include "platform/kernel/utf.h"
#include "platform/loader/module_registry.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/registry_host.h"
#include "platform/shell/shell.h"
#include "platform/text/font_cache.h"
#include "platform/user/host.h"

namespace platform::host {
namespace {

// The folders every phone has; the program and the system expect them.
constexpr const char16_t* standard_folders[] = {
    u"\\Windows", u"\\Program Files", u"\\Program Files\\Velmor", u"\\My Documents", u"\\Temp"};
constexpr const char16_t* registry_ce_path = u"\\registry.reg";
constexpr std::uint64_t milliseconds_per_minute = 60'000;

Result<void> create_standard_folders()
{
    for (const char16_t* folder : standard_folders) {
        auto host_path = platform::files::map_path(folder);
        if (!host_path)
            return Failure("cannot create the phone's folder " + platform::to_utf8(folder) + ": " +
                platform::files::explain_refusal(folder));
        std::error_code failure;
        std::filesystem::create_directories(*host_path, failure);
        if (failure || !std::filesystem::is_directory(*host_path))
            return Failure("cannot create the phone's folder " + platform::to_utf8(folder) + " as " +
                host_path->string() + ": " +
                (failure ? failure.message() : "something that is not a folder has its name"));
    }
    return {};
}

// The text library keeps the faces fontconfig gave beside the phone's other
// runtime files, so a later start draws its first text without starting
// fontconfig.
void keep_located_faces_in(const std::filesystem::path& file)
{
    std::lock_guard guard(platform::text::text_mutex());
    platform::text::FontCache::instance().keep_located_faces_in(file);
}

bool file_missing(const std::filesystem::path& file)
{
    std::error_code failure;
    return std::filesystem::symlink_status(file, failure).type() == std::filesystem::file_type::not_found;
}

}  // namespace

PhoneBoot::PhoneBoot(PhoneBootOptions options)
    : options_(std::move(options))
{
}

Result<void> PhoneBoot::bring_up_to(Stage last)
{
    Stage started_at = reached_;
    for (int next = int(reached_) + 1; next <= int(last); ++next) {
        Result<void> step = bring_up_stage(Stage(next));
        if (!step) {
            take_down_to(started_at);
            return step;
        }
        reached_ = Stage(next);
    }
    return {};
}

Result<void> PhoneBoot::bring_up_stage(Stage stage)
{
    switch (stage) {
    case Stage::files:
        return open_files();
    case Stage::registry:
        return load_registry();
    case Stage::hardware:
        start_hardware();
        return {};
    case Stage::shell:
        return start_shell();
    case Stage::none:
        break;
    }
    return {};
}

Result<void> PhoneBoot::open_files()
{
    if (!platform::files::set_device_root(options_.device_root))
        return Failure("cannot use " + options_.device_root.string() +
            " as the device root: it is not a folder that can be created");
    keep_located_faces_in(platform::files::runtime_folder() / "located-faces.txt");
    if (options_.standard_folders) return create_standard_folders();
    return {};
}

Result<void> PhoneBoot::load_registry()
{
    namespace registry = platform::registry;
    registry_ = {};
    std::filesystem::path file = registry::device_registry_file();
    if (!file.empty() && !options_.registry_from_defaults_when_missing && file_missing(file))
        return registry_failure(failure_at(file.string(), "there is no registry file"));
    bool refuse = options_.malformed_registry == MalformedRegistry::refuse;
    if (refuse && file.empty())
        return registry_failure(
            Failure("the registry file cannot be used: " + platform::files::explain_refusal(registry_ce_path)));
    // A refused file is left where it is and as it is, for the person to mend.
    Result<registry::LoadedHive> loaded = refuse
        ? registry::load_hive_file(registry::active_hive(), file, registry::shipped_defaults(), "the shipped defaults",
              registry::MalformedFile::refuse)
        : registry::load_device_registry();
    if (!loaded) return registry_failure(loaded.failure());
    registry_.used_defaults = loaded->used_defaults;
    registry_.moved_to = loaded->moved_to;
    if (loaded->setback) registry_.note = loaded->setback->text();
    platform::loader::set_program_path(options_.program_path);
    platform::language::set_ui_language(options_.language);
    return {};
}

Failure PhoneBoot::registry_failure(const Failure& why)
{
    registry_.note = why.text();
    // What did not load is kept in memory only, so nothing of it is written
    // over the file that failed.
    auto& hive = platform::registry::active_hive();
    std::lock_guard lock(hive.mutex());
    hive.set_file({});
    return Failure("cannot load the phone's registry: " + why.text());
}

void PhoneBoot::start_hardware()
{
    if (options_.devices) platform::devices::install_devices();
    // Programs decode their pictures through the factory CoCreateInstance finds.
    platform::imaging::register_factory();
    platform::clock::reset(options_.time, 0);
    // A phone's screen is black until something is drawn on it.
    platform::gdi::screen().fill(RGB(0, 0, 0));
}

Result<void> PhoneBoot::start_shell()
{
    if (!options_.shell) return {};
    // The task bar's clock turns with the minute: time that jumps stops
    // there, so the new minute is drawn and recorded when it comes.
    minute_stop_ = platform::clock::add_stop(
        [](std::uint64_t now) { return (now / milliseconds_per_minute + 1) * milliseconds_per_minute; });
    if (!platform::shell::start_shell()) {
        DWORD error = GetLastError();
        platform::clock::remove_stop(minute_stop_);
        minute_stop_ = 0;
        return Failure("the shell could not create its windows (error " + std::to_string(error) + ")");
    }
    return {};
}

void PhoneBoot::take_down_to(Stage stop)
{
    while (reached_ != stop) {
        take_down_stage(reached_);
        reached_ = Stage(int(reached_) - 1);
    }
}

void PhoneBoot::take_down_stage(Stage stage)
{
    switch (stage) {
    case Stage::shell:
        if (options_.shell) platform::shell::stop_shell();
        if (minute_stop_) platform::clock::remove_stop(minute_stop_);
        minute_stop_ = 0;
        break;
    case Stage::hardware:
        // The program's windows go with the phone, before the drivers and
        // the registry their destruction may still use.
        platform::user::shut_down_thread_windows();
        if (options_.devices) platform::devices::uninstall_devices();
        break;
    case Stage::registry:
        platform::registry::shutdown();
        break;
    case Stage::files:
        // A folder taken away with the phone must not be made again by a
        // later text.
        keep_located_faces_in({});
        break;
    case Stage::none:
        break;
    }
}

}  // namespace platform::host
