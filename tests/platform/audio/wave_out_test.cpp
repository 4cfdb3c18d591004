// Wave-out channels the way the shaver's variants use them: opened per
// variant, written, reset to restart, overlapping each other and the
// PlaySoundW sound, checked on the captured PCM.
#include "audio_fixture.h"

#include "platform/include/libloaderapi.h"

using platform::clock::advance;

namespace {

WAVEFORMATEX pcm_format(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX format {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    format.wBitsPerSample = bits;
    return format;
}

// A channel with one prepared buffer, as the program keeps each variant.
struct Variant {
    explicit Variant(std::vector<std::uint8_t> samples, WAVEFORMATEX format = pcm_format(2, 44100, 16))
        : data(std::move(samples))
    {
        EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        header.lpData = reinterpret_cast<LPSTR>(data.data());
        header.dwBufferLength = static_cast<DWORD>(data.size());
        EXPECT_EQ(waveOutPrepareHeader(handle, &header, WAVEHDR_PHONE_SIZE), MMSYSERR_NOERROR);
    }
    ~Variant()
    {
        waveOutReset(handle);
        waveOutUnprepareHeader(handle, &header, sizeof(WAVEHDR));
        EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    }
    MMRESULT play()
    {
        waveOutReset(handle);
        return waveOutWrite(handle, &header, sizeof(WAVEHDR));
    }

    std::vector<std::uint8_t> data;
    HWAVEOUT handle = nullptr;
    WAVEHDR header {};
};

}  // namespace

TEST_F(AudioTest, OpenAcceptsOnlyConsistentPcm)
{
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    HWAVEOUT handle = nullptr;
    WAVEFORMATEX zero {};  // a variant whose file was missing
    EXPECT_EQ(waveOutOpen(&handle, 0, &zero, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    auto format = pcm_format(2, 22050, 16);
    format.wFormatTag = WAVE_FORMAT_ADPCM;
    EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    format = pcm_format(2, 22050, 16);
    format.nBlockAlign = 2;
    EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    format = pcm_format(6, 22050, 16);
    EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    format = pcm_format(1, 0, 8);
    EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(handle, nullptr);

    format = pcm_format(1, 8000, 8);
    EXPECT_EQ(waveOutOpen(&handle, 1, &format, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_FUNCTION), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutOpen(&handle, 0, nullptr, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveOutOpen(&handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(handle), MMSYSERR_INVALHANDLE);
}

TEST_F(AudioTest, HeaderRulesAndBuffersPlayInOrder)
{
    HWAVEOUT handle = nullptr;
    auto format = pcm_format(2, 44100, 16);
    ASSERT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    auto first = level_samples(4410, 100);  // 100 ms each
    auto second = level_samples(4410, 200);
    WAVEHDR a {};
    a.lpData = reinterpret_cast<LPSTR>(first.data());
    a.dwBufferLength = static_cast<DWORD>(first.size());
    WAVEHDR b = a;
    b.lpData = reinterpret_cast<LPSTR>(second.data());

    EXPECT_EQ(waveOutWrite(handle, &a, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutPrepareHeader(handle, &a, 16), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveOutPrepareHeader(handle, &a, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPrepareHeader(handle, &b, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(a.dwFlags, WHDR_PREPARED);
    ASSERT_EQ(waveOutWrite(handle, &a, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &b, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(handle, &b, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(a.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(waveOutUnprepareHeader(handle, &a, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(handle), WAVERR_STILLPLAYING);

    advance(150);
    EXPECT_EQ(a.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(b.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    advance(100);
    EXPECT_EQ(b.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(handle, &a, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(a.dwFlags, WHDR_DONE);
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 50), 100);
    EXPECT_EQ(left_at(mix, 150), 200);
    EXPECT_EQ(left_at(mix, 210), 0);
}

TEST_F(AudioTest, ResetStopsAtOnceAndAWriteRestartsFromTheStart)
{
    // A ramp shows where in the buffer the channel is.
    std::vector<std::uint8_t> ramp(4 * 44100);
    for (std::size_t frame = 0; frame < 44100; ++frame) {
        auto value = static_cast<std::uint16_t>(frame / 4);
        for (int side = 0; side < 2; ++side) {
            ramp[frame * 4 + side * 2] = static_cast<std::uint8_t>(value);
            ramp[frame * 4 + side * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
        }
    }
    Variant variant(ramp);
    ASSERT_EQ(variant.play(), MMSYSERR_NOERROR);
    advance(100);
    EXPECT_EQ(waveOutReset(variant.handle), MMSYSERR_NOERROR);
    EXPECT_EQ(variant.header.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_TRUE(platform::audio::playing_sounds().empty());
    advance(50);
    ASSERT_EQ(variant.play(), MMSYSERR_NOERROR);  // the shake that picks the same variant
    advance(20);
    auto playing = platform::audio::playing_sounds();
    ASSERT_EQ(playing.size(), 1u);
    EXPECT_TRUE(playing[0].wave_out);
    EXPECT_TRUE(platform::audio::is_sound_playing(playing[0].name));
    ASSERT_EQ(variant.play(), MMSYSERR_NOERROR);
    advance(30);

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 99), static_cast<std::int16_t>(4365 / 4));
    EXPECT_EQ(left_at(mix, 101), 0);
    EXPECT_EQ(left_at(mix, 149), 0);
    EXPECT_EQ(left_at(mix, 150), 0);  // the restart begins at the buffer's start
    EXPECT_EQ(left_at(mix, 160), static_cast<std::int16_t>(441 / 4));
    EXPECT_EQ(left_at(mix, 170), 0);
    EXPECT_EQ(left_at(mix, 180), static_cast<std::int16_t>(441 / 4));
    // Resetting an idle channel is not an event.
    std::string name = platform::to_utf8(playing[0].name);
    std::vector<std::string> expected = {"0 ms started " + name, "100 ms reset " + name, "150 ms started " + name,
        "170 ms reset " + name, "170 ms started " + name};
    EXPECT_EQ(events_, expected);
}

TEST_F(AudioTest, ChannelsOverlapEachOtherAndTheLoop)
{
    put_file("Windows/loop.wav", level_wav(4410, 1000));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\loop.wav", nullptr, SND_ASYNC | SND_LOOP));
    Variant first(level_samples(8820, 300));  // 200 ms
    Variant second(level_samples(8820, 5000));
    ASSERT_EQ(first.play(), MMSYSERR_NOERROR);
    advance(100);
    ASSERT_EQ(second.play(), MMSYSERR_NOERROR);
    advance(200);

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 50), 1300);
    EXPECT_EQ(left_at(mix, 150), 6300);
    EXPECT_EQ(left_at(mix, 250), 6000);
    EXPECT_EQ(mix[static_cast<std::size_t>(150 * 44.1) * 2 + 1], 6300);  // the right side too
}

TEST_F(AudioTest, FormatsAreConvertedBeforeMixingAndSumsClip)
{
    // 8-bit mono at 11025 Hz (0xC0 is +64 of 128) beside 16-bit stereo at 44100 Hz.
    Variant low(std::vector<std::uint8_t>(11025 / 5, 0xC0), pcm_format(1, 11025, 8));
    Variant high(level_samples(8820, 1000));
    ASSERT_EQ(low.play(), MMSYSERR_NOERROR);
    ASSERT_EQ(high.play(), MMSYSERR_NOERROR);
    advance(300);
    Variant loud(level_samples(4410, 30000));
    Variant louder(level_samples(4410, 30000));
    std::vector<std::uint8_t> quiet_bytes = level_samples(4410, -30000);
    Variant negative(quiet_bytes);
    Variant negative_too(quiet_bytes);
    ASSERT_EQ(loud.play(), MMSYSERR_NOERROR);
    ASSERT_EQ(louder.play(), MMSYSERR_NOERROR);
    advance(100);
    ASSERT_EQ(negative.play(), MMSYSERR_NOERROR);
    ASSERT_EQ(negative_too.play(), MMSYSERR_NOERROR);
    advance(100);

    auto mix = captured();
    for (double ms : {20.0, 100.0, 180.0}) {
        EXPECT_NEAR(left_at(mix, ms), 1000 + 64 * 256, 200) << ms;
        std::size_t frame = static_cast<std::size_t>(ms * 44.1);
        EXPECT_EQ(mix[frame * 2], mix[frame * 2 + 1]) << "mono reaches both sides";
    }
    EXPECT_EQ(left_at(mix, 250), 0);
    EXPECT_EQ(left_at(mix, 350), 32767);
    EXPECT_EQ(left_at(mix, 450), -32768);
}

TEST_F(AudioTest, LoopingBufferPlaysItsCountThenIsDone)
{
    Variant variant(level_samples(2205, 400));  // 50 ms
    variant.header.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
    variant.header.dwLoops = 3;
    ASSERT_EQ(variant.play(), MMSYSERR_NOERROR);
    advance(140);
    EXPECT_TRUE(variant.header.dwFlags & WHDR_INQUEUE);
    advance(20);
    EXPECT_TRUE(variant.header.dwFlags & WHDR_DONE);
    EXPECT_FALSE(variant.header.dwFlags & WHDR_INQUEUE);

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 145), 400);
    EXPECT_EQ(left_at(mix, 151), 0);
}
