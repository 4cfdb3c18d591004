// The host's controls of the phone's sound.
#include "platform/audio/audio_host.h"

#include <cstdio>
#include <mutex>

#include "platform/kernel/case_fold.h"

namespace platform::audio {
namespace {

struct HostState {
    std::mutex mutex;
    std::string backend = "null";
    std::u16string default_sound = u"\\Windows\\default.wav";
    std::function<void(const std::string&)> reporter;
};

HostState& host()
{
    static HostState state;
    return state;
}

std::u16string_view last_part(std::u16string_view name)
{
    std::size_t cut = name.find_last_of(u"\\/:");
    return cut == std::u16string_view::npos ? name : name.substr(cut + 1);
}

}  // namespace

const std::vector<BackendEntry>& backends()
{
    static const std::vector<BackendEntry> table = {
        {"null", "no sound; sounds still start and end on time", &create_null_backend},
        {"capture", "the mix to a WAV file, with a log of sound events", &create_capture_backend},
        {"sdl", "the host's sound card through SDL2", &create_sdl_backend},
    };
    return table;
}

Result<void> start_backend(std::string_view name, const BackendOptions& options)
{
    for (const BackendEntry& entry : backends()) {
        if (name != entry.name) continue;
        BackendResult backend = entry.create(options);
        if (!backend) return backend.failure();
        phone_mixer().set_backend(std::move(backend).value());
        std::lock_guard lock(host().mutex);
        host().backend = entry.name;
        return {};
    }
    // The names come from the table, so a new backend is offered here too.
    std::string names;
    const auto& table = backends();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i > 0) names += i + 1 == table.size() ? " or " : ", ";
        names += table[i].name;
    }
    return Failure {"no audio backend named \"" + std::string(name) + "\" (" + names + ")"};
}

void stop_backend()
{
    phone_mixer().set_backend(create_null_backend({}).value());
    std::lock_guard lock(host().mutex);
    host().backend = "null";
}

std::string backend_name()
{
    std::lock_guard lock(host().mutex);
    return host().backend;
}

void set_event_listener(std::function<void(const SoundEvent&)> listener)
{
    if (!listener) return phone_mixer().set_event_listener(report_to_phone);
    phone_mixer().set_event_listener([listener = std::move(listener)](const SoundEvent& event) {
        report_to_phone(event);
        listener(event);
    });
}

std::vector<PlayingSound> playing_sounds() { return phone_mixer().playing(); }

bool is_sound_playing(std::u16string_view name)
{
    for (const PlayingSound& sound : playing_sounds()) {
        if (equal_ignoring_case(sound.name, name) || equal_ignoring_case(last_part(sound.name), name)) return true;
    }
    return false;
}

void set_default_sound(std::u16string ce_path)
{
    std::lock_guard lock(host().mutex);
    host().default_sound = std::move(ce_path);
}

std::u16string default_sound()
{
    std::lock_guard lock(host().mutex);
    return host().default_sound;
}

void set_problem_reporter(std::function<void(const std::string&)> reporter)
{
    std::lock_guard lock(host().mutex);
    host().reporter = std::move(reporter);
}

void report_problem(const std::string& message)
{
    std::function<void(const std::string&)> reporter;
    {
        std::lock_guard lock(host().mutex);
        reporter = host().reporter;
    }
    if (reporter) {
        reporter(message);
    } else {
        std::fprintf(stderr, "velmor: %s\n", message.c_str());
    }
}

}  // namespace platform::audio
