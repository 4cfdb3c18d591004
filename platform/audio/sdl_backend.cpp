// The SDL backend: the phone's speaker is the host's sound card, through
// SDL2. The device pulls the mix at its own pace from SDL's audio thread, so
// in real time the phone is heard as it plays. SDL_AUDIODRIVER picks SDL's
// driver as usual ("dummy" or "disk" work without a sound card).
#include <SDL.h>

#include "platform/audio/audio_backend.h"
#include "platform/audio/mixer.h"
#include "platform/audio/sample_conversion.h"

namespace platform::audio {
namespace {

class SdlBackend final : public Backend {
public:
    Result<void> open()
    {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return Failure {std::string("cannot start SDL audio: ") + SDL_GetError()};
        subsystem_ = true;
        SDL_AudioSpec wanted {};
        wanted.freq = static_cast<int>(output_rate);
        wanted.format = AUDIO_S16SYS;
        wanted.channels = static_cast<Uint8>(output_channels);
        wanted.samples = 1024;
        wanted.callback = &SdlBackend::fill;
        wanted.userdata = this;
        // No changes allowed: SDL converts to whatever the card needs.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
        if (device_ == 0) return Failure {std::string("cannot open the SDL audio device: ") + SDL_GetError()};
        return {};
    }

    ~SdlBackend() override { close(); }

    bool pulls() const override { return true; }

    void start(Mixer& mixer) override
    {
        mixer_ = &mixer;
        SDL_PauseAudioDevice(device_, 0);
    }

    void close() override
    {
        // Closing waits for a running callback, which may be waiting for the
        // mixer: callers close without holding it.
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        device_ = 0;
        if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }

private:
    static void fill(void* userdata, Uint8* stream, int length)
    {
        auto* self = static_cast<SdlBackend*>(userdata);
        std::span<std::int16_t> out(
            reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / sizeof(std::int16_t));
        if (self->mixer_) {
            self->mixer_->render_for(self, out);
        } else {
            std::fill(out.begin(), out.end(), 0);
        }
    }

    bool subsystem_ = false;
    SDL_AudioDeviceID device_ = 0;
    Mixer* mixer_ = nullptr;
};

}  // namespace

BackendResult create_sdl_backend(const BackendOptions&)
{
    auto backend = std::make_unique<SdlBackend>();
    if (Result<void> opened = backend->open(); !opened) return opened.failure();
    return std::unique_ptr<Backend>(std::move(backend));
}

}  // namespace platform::audio
