// PlaySoundW as the program uses it: one sound at a time, synchronous clicks
// that take their length in virtual time, loops, stops, and sounds from
// files, resources and memory, checked on the captured mix and event log.
#include "audio_fixture.h"
#include "tests/platform/files/link_swapper.h"

#include "platform/include/libloaderapi.h"
#include "platform/loader/pe_writer.h"

using platform::clock::advance;
using platform::clock::now;

namespace {
constexpr DWORD file_async = SND_FILENAME | SND_ASYNC;
}

TEST_F(AudioTest, NewSoundReplacesTheCurrentAndNullStopsIt)
{
    put_file("Windows/a.wav", level_wav(44100, 1000));
    put_file("Windows/b.wav", level_wav(44100, 2000));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async));
    advance(100);
    EXPECT_TRUE(platform::audio::is_sound_playing(u"a.wav"));
    ASSERT_TRUE(PlaySoundW(u"\\windows\\B.WAV", nullptr, file_async));
    advance(100);
    EXPECT_FALSE(platform::audio::is_sound_playing(u"\\Windows\\a.wav"));
    EXPECT_TRUE(platform::audio::is_sound_playing(u"b.wav"));
    EXPECT_TRUE(PlaySoundW(nullptr, nullptr, 0));
    advance(100);
    EXPECT_TRUE(platform::audio::playing_sounds().empty());

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 50), 1000);
    EXPECT_EQ(left_at(mix, 150), 2000);
    EXPECT_EQ(left_at(mix, 250), 0);
    std::vector<std::string> expected = {"0 ms started \\Windows\\a.wav", "100 ms stopped \\Windows\\a.wav",
        "100 ms started \\windows\\B.WAV", "200 ms stopped \\windows\\B.WAV"};
    EXPECT_EQ(events_, expected);
    // The capture's own log holds the same lines.
    auto log = read_file(folder_ / "events.log");
    EXPECT_EQ(std::string(log.begin(), log.end()),
        "0 ms started \\Windows\\a.wav\n100 ms stopped \\Windows\\a.wav\n100 ms started \\windows\\B.WAV\n"
        "200 ms stopped \\windows\\B.WAV\n");
}

TEST_F(AudioTest, SynchronousSoundTakesItsLengthOnTheClock)
{
    put_file("Windows/click.wav", level_wav(11025, 3000));  // 250 ms
    // 8-bit mono at 11025 Hz: converted, its length is still about 200 ms.
    put_file("Windows/low.wav", make_wav(1, 11025, 8, std::vector<std::uint8_t>(2205, 0xC0)));
    advance(40);
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\click.wav", nullptr, SND_FILENAME | SND_SYNC));
    EXPECT_EQ(now(), 290u);
    EXPECT_FALSE(platform::audio::is_sound_playing(u"click.wav"));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\low.wav", nullptr, SND_SYNC));
    EXPECT_NEAR(static_cast<double>(now()), 490.0, 2.0);

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 39), 0);
    EXPECT_EQ(left_at(mix, 41), 3000);
    EXPECT_EQ(left_at(mix, 289), 3000);
    EXPECT_NEAR(left_at(mix, 390), 64 * 256, 300);
    ASSERT_GE(events_.size(), 2u);
    EXPECT_EQ(events_[0], "40 ms started \\Windows\\click.wav");
    EXPECT_EQ(events_[1], "290 ms ended \\Windows\\click.wav");
}

TEST_F(AudioTest, LoopRepeatsUntilStoppedAndNeverBlocks)
{
    put_file("Windows/loop.wav", level_wav(4410, 1500));  // 100 ms
    // SND_LOOP without SND_ASYNC must not wait for a sound that never ends.
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\loop.wav", nullptr, SND_LOOP));
    EXPECT_EQ(now(), 0u);
    advance(350);
    auto playing = platform::audio::playing_sounds();
    ASSERT_EQ(playing.size(), 1u);
    EXPECT_TRUE(playing[0].looping);
    PlaySoundW(nullptr, nullptr, 0);
    advance(50);

    std::vector<std::string> expected = {"0 ms started \\Windows\\loop.wav", "100 ms looped \\Windows\\loop.wav",
        "200 ms looped \\Windows\\loop.wav", "300 ms looped \\Windows\\loop.wav", "350 ms stopped \\Windows\\loop.wav"};
    EXPECT_EQ(events_, expected);
    auto mix = captured();
    for (double ms : {50.0, 99.0, 101.0, 250.0, 349.0}) EXPECT_EQ(left_at(mix, ms), 1500) << ms;
    EXPECT_EQ(left_at(mix, 351), 0);
}

TEST_F(AudioTest, TheClockStopsWhereASoundOrABufferPlaysOutButNotForALoop)
{
    put_file("Windows/a.wav", level_wav(4410, 1000));  // 100 ms
    advance(40);
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async));
    EXPECT_EQ(platform::clock::next_stop(), std::optional<std::uint64_t>(140));
    advance(30);
    EXPECT_EQ(platform::clock::next_stop(), std::optional<std::uint64_t>(140));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async | SND_LOOP));
    EXPECT_FALSE(platform::clock::next_stop().has_value());
    PlaySoundW(nullptr, nullptr, 0);

    // A wave-out buffer of 50 ms written at 70 ms, and a second queued behind it.
    HWAVEOUT device = nullptr;
    WAVEFORMATEX format {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    ASSERT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    auto samples = level_samples(2205, 500);
    WAVEHDR first {}, second {};
    for (WAVEHDR* header : {&first, &second}) {
        header->lpData = reinterpret_cast<LPSTR>(samples.data());
        header->dwBufferLength = static_cast<DWORD>(samples.size());
        ASSERT_EQ(waveOutPrepareHeader(device, header, sizeof *header), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, header, sizeof *header), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(platform::clock::next_stop(), std::optional<std::uint64_t>(120));
    platform::clock::advance_to(120);
    EXPECT_TRUE(first.dwFlags & WHDR_DONE);
    EXPECT_EQ(platform::clock::next_stop(), std::optional<std::uint64_t>(170));
    waveOutReset(device);
    for (WAVEHDR* header : {&first, &second}) waveOutUnprepareHeader(device, header, sizeof *header);
    waveOutClose(device);
}

TEST_F(AudioTest, ALongSilenceIsCutShortInTheCaptureAndTheLogSaysWhatWasLeftOut)
{
    platform::audio::BackendOptions options;
    options.wav_file = folder_ / "short.wav";
    options.event_log_file = folder_ / "short.log";
    options.longest_silence_ms = 100;
    auto started = platform::audio::start_backend("capture", options);
    ASSERT_TRUE(started) << started.failure().text();
    put_file("Windows/a.wav", level_wav(4410, 1000));  // 100 ms
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async));
    advance(5000);
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async));
    advance(60'000);
    platform::audio::stop_backend();

    // 100 ms of sound, 100 of silence, 100 of sound, 100 of silence.
    auto bytes = read_file(folder_ / "short.wav");
    auto wav = platform::audio::parse_wav(bytes);
    ASSERT_TRUE(wav) << wav.failure().text();
    std::vector<std::int16_t> mix(wav->samples.size() / 2);
    std::memcpy(mix.data(), wav->samples.data(), mix.size() * 2);
    EXPECT_EQ(mix.size(), 4u * 4410 * 2);
    EXPECT_EQ(left_at(mix, 99), 1000);
    EXPECT_EQ(left_at(mix, 150), 0);
    EXPECT_EQ(left_at(mix, 201), 1000);
    EXPECT_EQ(left_at(mix, 350), 0);
    auto log = read_file(folder_ / "short.log");
    EXPECT_EQ(std::string(log.begin(), log.end()),
        "0 ms started \\Windows\\a.wav\n100 ms ended \\Windows\\a.wav\n"
        "200 ms silence left out until 5000 ms (short.wav goes on at 0.200 s)\n"
        "5000 ms started \\Windows\\a.wav\n5100 ms ended \\Windows\\a.wav\n"
        "5200 ms silence left out until 65000 ms (short.wav goes on at 0.400 s)\n");
}

TEST_F(AudioTest, TheCaptureStopsAtItsLimitsAndSaysWhen)
{
    platform::audio::BackendOptions options;
    options.wav_file = folder_ / "small.wav";
    options.event_log_file = folder_ / "small.log";
    options.wav_limit_bytes = 44100 * 4;  // one second
    options.event_log_limit_bytes = 200;
    auto started = platform::audio::start_backend("capture", options);
    ASSERT_TRUE(started) << started.failure().text();
    put_file("Windows/loop.wav", level_wav(4410, 700));  // 100 ms, looped
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\loop.wav", nullptr, file_async | SND_LOOP));
    advance(3000);
    platform::audio::stop_backend();

    EXPECT_EQ(std::filesystem::file_size(folder_ / "small.wav"), 44u + 44100 * 4);
    ASSERT_FALSE(problems_.empty());
    EXPECT_NE(problems_[0].find("small.wav reached its size limit at 1000 ms"), std::string::npos) << problems_[0];
    auto log = read_file(folder_ / "small.log");
    std::string text(log.begin(), log.end());
    EXPECT_LE(text.size(), 200u);
    EXPECT_NE(text.find("looped"), std::string::npos);
    EXPECT_TRUE(text.ends_with("the event log is full; later events are not written\n")) << text;
}

TEST_F(AudioTest, NoStopRefusesToCutOffButAStopStillStops)
{
    put_file("Windows/a.wav", level_wav(44100, 1000));
    put_file("Windows/b.wav", level_wav(44100, 2000));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async));
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\b.wav", nullptr, file_async | SND_NOSTOP));
    EXPECT_TRUE(platform::audio::is_sound_playing(u"a.wav"));
    // The program silences its loop with a null name and SND_NOSTOP.
    EXPECT_TRUE(PlaySoundW(nullptr, nullptr, SND_NOSTOP));
    EXPECT_TRUE(platform::audio::playing_sounds().empty());
    EXPECT_TRUE(PlaySoundW(u"\\Windows\\b.wav", nullptr, file_async | SND_NOSTOP));
}

TEST_F(AudioTest, MissingSoundStopsTheCurrentAndFallsBackUnlessNoDefault)
{
    put_file("Windows/a.wav", level_wav(44100, 1000));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, file_async));
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\none.wav", nullptr, file_async | SND_NODEFAULT));
    EXPECT_TRUE(platform::audio::playing_sounds().empty());

    // Without a default sound on the phone nothing plays either way.
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\none.wav", nullptr, file_async));
    EXPECT_TRUE(platform::audio::playing_sounds().empty());

    put_file("Windows/default.wav", level_wav(4410, 500));
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\none.wav", nullptr, file_async));
    EXPECT_TRUE(platform::audio::is_sound_playing(u"default.wav"));
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\none.wav", nullptr, file_async | SND_NODEFAULT));
    EXPECT_FALSE(platform::audio::is_sound_playing(u"default.wav"));
    EXPECT_TRUE(problems_.empty()) << "a missing file is not a malformed one";
}

TEST_F(AudioTest, ResourceSoundsByNumberAndByName)
{
    using platform::loader::ResourceId;
    platform::loader::PeWriter writer;
    ASSERT_TRUE(writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_number(104), 0x0409, level_wav(4410, 700)));
    ASSERT_TRUE(
        writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_name(u"CLICK"), 0x0409, level_wav(2205, 900)));
    ASSERT_TRUE(writer.add(ResourceId::from_number(10), ResourceId::from_number(105), 0x0409, level_wav(2205, 900)));
    put_file("Program Files/Velmor/Sounds.dll", writer.build());
    HMODULE module = LoadLibraryW(u"Sounds.dll");
    ASSERT_NE(module, nullptr);

    EXPECT_TRUE(PlaySoundW(MAKEINTRESOURCEW(104), module, SND_RESOURCE | SND_ASYNC | SND_LOOP));
    EXPECT_TRUE(platform::audio::is_sound_playing(u"Sounds.dll:104"));
    EXPECT_TRUE(platform::audio::is_sound_playing(u"104"));
    // The click replaces the loop and takes its 50 ms.
    EXPECT_TRUE(PlaySoundW(u"click", module, SND_RESOURCE));
    EXPECT_EQ(now(), 50u);
    EXPECT_TRUE(platform::audio::playing_sounds().empty());

    // Only the WAVE type counts, and only the module named.
    EXPECT_FALSE(PlaySoundW(MAKEINTRESOURCEW(105), module, SND_RESOURCE | SND_NODEFAULT));
    EXPECT_FALSE(PlaySoundW(MAKEINTRESOURCEW(104), nullptr, SND_RESOURCE | SND_NODEFAULT));
    FreeLibrary(module);
    EXPECT_FALSE(PlaySoundW(MAKEINTRESOURCEW(104), module, SND_RESOURCE | SND_NODEFAULT));
    EXPECT_EQ(now(), 50u);

    auto mix = captured();
    EXPECT_EQ(left_at(mix, 25), 900);
}

TEST_F(AudioTest, MalformedSoundsAreRefusedAndNamed)
{
    auto good = level_wav(4410, 1200);
    auto not_pcm = good;
    not_pcm[20] = 3;  // IEEE float
    auto cut_short = good;
    cut_short.resize(44 + 4 * 2205);  // half of the data the header claims
    put_file("Windows/float.wav", not_pcm);
    put_file("Windows/text.wav", {'h', 'e', 'l', 'l', 'o'});
    put_file("Windows/short.wav", cut_short);

    EXPECT_FALSE(PlaySoundW(u"\\Windows\\float.wav", nullptr, SND_NODEFAULT));
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\text.wav", nullptr, SND_NODEFAULT));
    ASSERT_EQ(problems_.size(), 2u);
    EXPECT_EQ(problems_[0], "sound \\Windows\\float.wav: format tag 3 is not PCM");
    EXPECT_EQ(problems_[1], "sound \\Windows\\text.wav: shorter than a RIFF header (5 bytes)");
    EXPECT_EQ(now(), 0u);

    // A data chunk cut short plays what is there.
    EXPECT_TRUE(PlaySoundW(u"\\Windows\\short.wav", nullptr, SND_SYNC));
    EXPECT_EQ(now(), 50u);
    EXPECT_EQ(problems_.size(), 3u);

    // The same image from memory.
    EXPECT_TRUE(PlaySoundW(reinterpret_cast<LPCWSTR>(good.data()), nullptr, SND_MEMORY | SND_SYNC));
    EXPECT_EQ(now(), 150u);
}

TEST_F(AudioTest, ASoundLinkedOutOfTheRootIsNeverRead)
{
    auto outside = folder_ / "outside";
    std::filesystem::create_directories(outside);
    // Not a WAV: had it been read, decoding it would say so.
    std::ofstream(outside / "secret.wav", std::ios::binary) << "secret";
    put_file("Windows/placeholder.txt", {});

    std::filesystem::create_symlink(outside / "secret.wav", folder_ / "root" / "Windows" / "planted.wav");
    EXPECT_FALSE(PlaySoundW(u"\\Windows\\planted.wav", nullptr, file_async | SND_NODEFAULT));
    ASSERT_EQ(problems_.size(), 1u);
    EXPECT_NE(problems_[0].find("outside the device root"), std::string::npos) << problems_[0];

    auto inside = level_wav(441, 700);
    int played = 0;
    {
        LinkSwapper swapper(folder_ / "root" / "Windows" / "flip.wav", std::string(inside.begin(), inside.end()),
            outside / "secret.wav");
        for (int attempt = 0; attempt < 3000 || swapper.swaps() < 100; ++attempt) {
            played += PlaySoundW(u"\\Windows\\flip.wav", nullptr, file_async | SND_NODEFAULT) ? 1 : 0;
            if (attempt > 100000) break;
        }
    }
    PlaySoundW(nullptr, nullptr, 0);
    EXPECT_GT(played, 0);
    for (const auto& problem : problems_) EXPECT_EQ(problem.find("RIFF"), std::string::npos) << problem;
}
