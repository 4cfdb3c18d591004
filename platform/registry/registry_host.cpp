#include "platform/registry/registry_host.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/files/device_root.h"

namespace platform::registry {
namespace {

void report(const std::string& message)
{
    if (!message.empty()) std::fprintf(stderr, "velmor: %s\n", message.c_str());
}

void save_at_exit() { shutdown(); }

constexpr const char16_t* registry_ce_path = u"\\registry.reg";

}  // namespace

Hive& active_hive()
{
    // Never destroyed: handles and the exit hook may outlive static objects.
    static Hive* hive = new Hive;
    return *hive;
}

std::filesystem::path device_registry_file()
{
    auto path = platform::files::map_path(registry_ce_path);
    return path ? *path : std::filesystem::path();
}

Result<LoadedHive> load(
    const std::filesystem::path& file, std::string_view defaults_text, std::string_view defaults_name)
{
    static std::once_flag exit_hook;
    std::call_once(exit_hook, [] { std::atexit(save_at_exit); });
    auto loaded = load_hive_file(active_hive(), file, defaults_text, defaults_name, MalformedFile::move_aside);
    if (!loaded)
        report(loaded.failure().text());
    else if (loaded->setback)
        report(loaded->setback->text());
    return loaded;
}

Result<LoadedHive> load_with_defaults_file(
    const std::filesystem::path& file, const std::filesystem::path& defaults_file)
{
    auto text = read_hive_bytes(defaults_file);
    if (!text) {
        report(text.failure().text() + "; using the shipped defaults");
        return load(file);
    }
    return load(file, *text, defaults_file.string());
}

Result<LoadedHive> load_device_registry()
{
    std::filesystem::path file = device_registry_file();
    if (!file.empty()) return load(file);

    LoadedHive loaded;
    std::string refusal;
    if (platform::files::device_root().empty()) {
        loaded.setback = Failure {"no device root: the registry is kept in memory only"};
    } else {
        refusal = platform::files::explain_refusal(registry_ce_path);
        loaded.setback =
            Failure {"the registry file cannot be used: " + refusal + "; the registry is kept in memory only"};
    }
    report(loaded.setback->text());
    auto defaults = load_hive_text(active_hive(), shipped_defaults(), "the shipped defaults");
    loaded.used_defaults = true;
    {
        // Flushes must not report a save that cannot happen.
        std::lock_guard lock(active_hive().mutex());
        active_hive().set_file({});
        active_hive().set_unsavable_reason(refusal);
    }
    if (!defaults) return defaults.failure();
    return loaded;
}

void shutdown()
{
    Hive& hive = active_hive();
    if (auto saved = flush_hive(hive); !saved) report("registry not saved: " + saved.failure().text());
    std::lock_guard lock(hive.mutex());
    hive.set_file({});
}

}  // namespace platform::registry
