// The SDL backend on SDL's dummy driver: the device thread pulls the mix in
// real time, and a synchronous sound returns only once it has played.
#include "audio_fixture.h"

#include <chrono>
#include <thread>

TEST_F(AudioTest, SdlDevicePullsTheMixInRealTime)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::clock::reset(platform::clock::Mode::real_time, 0);
    auto sdl = platform::audio::start_backend("sdl", {});
    ASSERT_TRUE(sdl) << sdl.failure().text();
    EXPECT_EQ(platform::audio::backend_name(), "sdl");

    put_file("Windows/click.wav", level_wav(2205, 1000));  // 50 ms
    auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\click.wav", nullptr, SND_SYNC));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(50));
    ASSERT_FALSE(events_.empty());
    EXPECT_NE(events_.back().find("ended \\Windows\\click.wav"), std::string::npos) << events_.back();

    // The device keeps pulling silence while nothing plays.
    std::uint64_t before = platform::audio::phone_mixer().rendered_frames();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(platform::audio::phone_mixer().rendered_frames(), before);
    platform::audio::stop_backend();
    platform::clock::reset(platform::clock::Mode::virtual_time, 0);
}
