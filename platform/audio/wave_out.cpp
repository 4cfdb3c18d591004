// The wave-out functions over the mixer: every open handle is a channel of
// its own, playing the buffers written to it in order while the other
// channels and the PlaySoundW sound play on top.
#include "platform/audio/mixer.h"
#include "platform/audio/sample_conversion.h"
#include "platform/audio/wav_format.h"
#include "platform/include/mmsystem.h"
#include "platform/kernel/handle_table.h"

using namespace platform;
using namespace platform::audio;

namespace {

// The phone has one wave-out device; WAVE_MAPPER reaches it as well.
constexpr UINT device_count = 1;
// A buffer may hold this much sound at most, which bounds its converted copy.
constexpr std::uint64_t longest_buffer_seconds = 600;

struct WaveOut {
    int channel;
    PcmFormat format;
};

HandleTable<WaveOut>& handles()
{
    static HandleTable<WaveOut> table(0x7000);
    return table;
}

std::shared_ptr<WaveOut> find(HWAVEOUT handle) { return handles().find(handle_value(handle)); }

bool header_size_ok(UINT size) { return size == WAVEHDR_PHONE_SIZE || size >= sizeof(WAVEHDR); }

}  // namespace

UINT waveOutGetNumDevs() { return device_count; }

MMRESULT waveOutOpen(
    LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback, DWORD_PTR, DWORD fdwOpen)
{
    if (uDeviceID != WAVE_MAPPER && uDeviceID >= device_count) return MMSYSERR_BADDEVICEID;
    constexpr DWORD known_flags = CALLBACK_TYPEMASK | WAVE_FORMAT_QUERY | WAVE_ALLOWSYNC | WAVE_MAPPED;
    if (fdwOpen & ~known_flags) return MMSYSERR_INVALFLAG;
    // Completion is only ever polled through WHDR_DONE on the phone.
    if ((fdwOpen & CALLBACK_TYPEMASK) != CALLBACK_NULL) return MMSYSERR_NOTSUPPORTED;
    (void)dwCallback;
    PcmFormat format;
    MMRESULT checked = check_wave_format(pwfx, &format);
    if (checked != MMSYSERR_NOERROR) return checked;
    if (fdwOpen & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
    if (!phwo) return MMSYSERR_INVALPARAM;
    int channel = phone_mixer().open_channel();
    std::uint32_t value = handles().insert(std::make_shared<WaveOut>(WaveOut {channel, format}));
    *phwo = handle_from_value<HWAVEOUT>(value);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT hwo)
{
    auto wave_out = find(hwo);
    if (!wave_out) return MMSYSERR_INVALHANDLE;
    if (!phone_mixer().close_channel(wave_out->channel)) return WAVERR_STILLPLAYING;
    handles().remove(handle_value(hwo));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    if (!find(hwo)) return MMSYSERR_INVALHANDLE;
    if (!pwh || !header_size_ok(cbwh)) return MMSYSERR_INVALPARAM;
    if (!pwh->lpData && pwh->dwBufferLength != 0) return MMSYSERR_INVALPARAM;
    return phone_mixer().prepare_header(pwh);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    if (!find(hwo)) return MMSYSERR_INVALHANDLE;
    if (!pwh || !header_size_ok(cbwh)) return MMSYSERR_INVALPARAM;
    return phone_mixer().unprepare_header(pwh);
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    auto wave_out = find(hwo);
    if (!wave_out) return MMSYSERR_INVALHANDLE;
    if (!pwh || !header_size_ok(cbwh)) return MMSYSERR_INVALPARAM;
    if (!pwh->lpData && pwh->dwBufferLength != 0) return MMSYSERR_INVALPARAM;
    // The header's flags are checked by the mixer under its lock: its device
    // thread marks finished buffers done.
    const PcmFormat& format = wave_out->format;
    std::uint64_t frames = pwh->dwBufferLength / format.frame_bytes();
    if (frames / format.rate >= longest_buffer_seconds) return MMSYSERR_NOMEM;
    std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(pwh->lpData), pwh->dwBufferLength);
    Result<SharedSamples> samples = convert_to_output(format, data);
    if (!samples) return MMSYSERR_NOMEM;
    return phone_mixer().write_buffer(wave_out->channel, pwh, std::move(samples).value());
}

MMRESULT waveOutReset(HWAVEOUT hwo)
{
    auto wave_out = find(hwo);
    if (!wave_out) return MMSYSERR_INVALHANDLE;
    phone_mixer().reset_channel(wave_out->channel);
    return MMSYSERR_NOERROR;
}
