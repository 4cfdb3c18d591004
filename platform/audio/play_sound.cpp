// PlaySoundW: the phone's one-sound-at-a-time player, over the mixer. Sounds
// come from files in the device root, from "WAVE" resources of a loaded
// module or from a WAV image in memory; each is converted to the output
// format once, when it starts.

#include "platform/audio/audio_host.h"
#include "platform/audio/mixer.h"
#include "platform/audio/sample_conversion.h"
#include "platform/audio/wav_format.h"
#include "platform/files/rooted_file.h"
#include "platform/include/mmsystem.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"
#include "platform/loader/module_registry.h"

using namespace platform;
using namespace platform::audio;

namespace {

// Sound files larger than this are refused before they are read.
constexpr std::uintmax_t largest_sound_file = 256u << 20;
// A single sound may play this long at most, which bounds its memory once
// converted (about 100 MiB).
constexpr std::uint64_t longest_sound_seconds = 600;

struct LoadedSound {
    std::u16string name;
    SharedSamples samples;
};

// The sound's bytes as PCM in the output format; reports why not.
std::optional<LoadedSound> decode(std::u16string name, std::span<const std::uint8_t> bytes)
{
    std::string label = "sound " + to_utf8(name);
    Result<WavSound> wav = parse_wav(bytes);
    if (!wav) {
        report_problem(label + ": " + wav.failure().text());
        return std::nullopt;
    }
    std::uint64_t frames = wav->samples.size() / wav->format.frame_bytes();
    if (frames / wav->format.rate >= longest_sound_seconds) {
        report_problem(label + ": longer than " + std::to_string(longest_sound_seconds / 60) + " minutes");
        return std::nullopt;
    }
    if (wav->truncated) {
        report_problem(label + ": the data chunk is cut short; playing the " + std::to_string(wav->samples.size()) +
            " bytes there");
    }
    Result<SharedSamples> samples = convert_to_output(wav->format, wav->samples);
    if (!samples) {
        report_problem(label + ": " + samples.failure().text());
        return std::nullopt;
    }
    return LoadedSound {std::move(name), std::move(samples).value()};
}

// A missing file is not reported: programs probe for optional sounds.
std::optional<LoadedSound> load_file(std::u16string_view ce_path)
{
    DWORD error = 0;
    auto file = files::RootedFile::open(ce_path, &error);
    std::u16string name(ce_path);
    if (!file) {
        // A file that is not there, or a name the phone cannot hold, is a
        // probe; one that is there but refused is worth saying.
        if (error == ERROR_ACCESS_DENIED) report_problem("sound " + to_utf8(name) + ": " + file.failure().text());
        return std::nullopt;
    }
    if (file->size() > largest_sound_file) {
        report_problem("sound " + to_utf8(name) + ": the file is too large");
        return std::nullopt;
    }
    auto bytes = file->read_all(largest_sound_file);
    if (!bytes) {
        report_problem(
            "sound " + to_utf8(name) + ": cannot read " + file->host_path().string() + ": " + bytes.failure().text());
        return std::nullopt;
    }
    return decode(std::move(name), *bytes);
}

std::u16string file_part(const std::u16string& path)
{
    std::size_t cut = path.find_last_of(u"\\/");
    return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

std::optional<LoadedSound> load_resource(LPCWSTR name, HMODULE module_handle)
{
    // The module stays loaded while its bytes are converted.
    auto module = loader::find_module(module_handle);
    auto id = loader::ResourceId::from_win32(name);
    if (!module || !module->reader || !id) return std::nullopt;
    static const auto wave_type = loader::ResourceId::from_name(u"WAVE");
    const loader::PeResource* resource = module->reader->find(wave_type, *id);
    if (!resource) return std::nullopt;
    std::string id_text = id->to_string();
    std::u16string label = file_part(module->ce_path) + u":" + std::u16string(id_text.begin(), id_text.end());
    return decode(std::move(label), module->reader->data(*resource));
}

std::optional<LoadedSound> load_memory(LPCWSTR image)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image);
    std::uint64_t size = riff_image_size(bytes);
    if (size == 0 || size > largest_sound_file) {
        report_problem(size == 0 ? "sound in memory: not a RIFF/WAVE image" : "sound in memory: too large");
        return std::nullopt;
    }
    return decode(u"(memory)", std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(size)));
}

std::optional<LoadedSound> load(LPCWSTR sound, HMODULE module, DWORD flags)
{
    if ((flags & SND_RESOURCE) == SND_RESOURCE) return load_resource(sound, module);
    if (flags & SND_MEMORY) return load_memory(sound);
    // The phone keeps no table of sound aliases.
    if ((flags & SND_ALIAS_ID) == SND_ALIAS_ID || (flags & SND_ALIAS)) return std::nullopt;
    return load_file(text_view(sound));
}

std::uint64_t length_in_ms(const SharedSamples& samples)
{
    std::uint64_t frames = samples->size() / output_channels;
    return (frames * 1000 + output_rate - 1) / output_rate;
}

}  // namespace

BOOL PlaySoundW(LPCWSTR pszSound, HMODULE hmod, DWORD fdwSound)
{
    Mixer& mixer = phone_mixer();
    // A stop always stops: SND_NOSTOP only keeps a new sound from cutting
    // off the one playing.
    if (!pszSound || (fdwSound & SND_PURGE)) {
        mixer.stop_sound();
        return TRUE;
    }
    if ((fdwSound & SND_NOSTOP) && mixer.sound_playing()) return FALSE;

    std::optional<LoadedSound> sound = load(pszSound, hmod, fdwSound);
    bool found = sound.has_value();
    if (!found && !(fdwSound & SND_NODEFAULT)) sound = load_file(default_sound());
    if (!sound) {
        // Asking for another sound ends the current one even when the new
        // one cannot play.
        mixer.stop_sound();
        return FALSE;
    }

    // A loop never ends by itself, so it cannot be waited for.
    bool loop = (fdwSound & SND_LOOP) != 0;
    bool wait = !(fdwSound & SND_ASYNC) && !loop;
    std::uint64_t length = length_in_ms(sound->samples);
    std::uint64_t number = mixer.play_sound(std::move(sound->name), std::move(sound->samples), loop);
    if (wait) {
        clock::wait_for(length);
        mixer.render_to_now();
        // A sound card may lag behind the clock by its buffer.
        mixer.wait_until_sound_done(number, length + 1000);
    }
    // The default sound standing in for a missing one is still a failure.
    return found ? TRUE : FALSE;
}

BOOL sndPlaySoundW(LPCWSTR lpszSoundName, UINT fuSound)
{
    return PlaySoundW(
        lpszSoundName, nullptr, fuSound & (SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP | SND_NOSTOP));
}
