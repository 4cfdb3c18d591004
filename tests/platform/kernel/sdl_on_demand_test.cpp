// SDL is loaded by the first call into it, in whichever thread makes it; a
// library that cannot be loaded, or is not SDL, leaves every call failing as
// SDL itself fails, with SDL_GetError saying why, and the platform's own
// messages passing that on.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/audio_backend.h"
#include "platform/audio/sample_conversion.h"
#include "platform/host/display_backend.h"
#include "platform/kernel/sdl_on_demand.h"

namespace {

bool sdl_is_mapped()
{
    void* handle = dlopen(platform::sdl::default_library, RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

// The child's failures, on its standard error: the one output the parent
// shows of it.
[[noreturn]] void exit_with_failures()
{
    const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
        const ::testing::TestPartResult& part = result->GetTestPartResult(i);
        if (part.failed()) std::fprintf(stderr, "%s:%d: %s\n", part.file_name(), part.line_number(), part.message());
    }
    std::exit(result->Failed() ? 1 : 0);
}

// The library is loaded once per process and whether it was is the point,
// so each case runs in a process of its own.
void in_a_fresh_process(const std::function<void()>& body)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            body();
            exit_with_failures();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SdlOnDemand, TheFirstCallLoadsTheLibraryOnceAndCallsThrough)
{
    in_a_fresh_process([] {
        unsetenv(platform::sdl::library_variable);
        EXPECT_FALSE(sdl_is_mapped()) << "loaded before any call";

        // Several threads make the first call at once, as the window's and an
        // audio thread may.
        std::atomic<int> right {0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([i, &right] {
                SDL_Rect a {i, 0, 2, 2}, b {10, 10 + i, 5, 5}, both {};
                SDL_UnionRect(&a, &b, &both);
                if (both.x == i && both.y == 0 && both.w == 15 - i && both.h == 15 + i) ++right;
            });
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(right, 4);
        EXPECT_TRUE(sdl_is_mapped());

        // An event of our own goes through SDL's queue and comes back.
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        EXPECT_NE(SDL_WasInit(SDL_INIT_EVENTS), 0u);
        Uint32 type = SDL_RegisterEvents(1);
        ASSERT_NE(type, static_cast<Uint32>(-1)) << SDL_GetError();
        SDL_Event sent {};
        sent.type = type;
        sent.user.code = 42;
        EXPECT_EQ(SDL_PushEvent(&sent), 1) << SDL_GetError();
        SDL_Event received {};
        bool found = false;
        while (!found && SDL_PollEvent(&received) == 1) found = received.type == type && received.user.code == 42;
        EXPECT_TRUE(found);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
        SDL_Quit();
    });
}

TEST(SdlOnDemand, AMissingLibraryFailsEachCallAsSdlWouldAndSaysWhy)
{
    in_a_fresh_process([] {
        const std::string missing = "/nonexistent/libSDL2-2.0.so.0";
        setenv(platform::sdl::library_variable, missing.c_str(), 1);

        EXPECT_LT(SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0);
        std::string why = SDL_GetError();
        EXPECT_TRUE(why.starts_with(missing + " cannot be loaded: ")) << why;
        EXPECT_NE(why.find("No such file"), std::string::npos) << why;

        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
        EXPECT_EQ(SDL_GetCurrentVideoDriver(), nullptr);
        EXPECT_EQ(SDL_CreateWindow("Velmor", 0, 0, 480, 720, SDL_WINDOW_SHOWN), nullptr);
        EXPECT_EQ(SDL_CreateRenderer(nullptr, -1, 0), nullptr);
        EXPECT_EQ(SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT), SDL_FALSE);
        EXPECT_EQ(SDL_RegisterEvents(1), static_cast<Uint32>(-1));
        SDL_Event event {};
        EXPECT_LT(SDL_PushEvent(&event), 0);
        EXPECT_EQ(SDL_PollEvent(&event), 0);
        EXPECT_EQ(SDL_WaitEventTimeout(&event, 0), 0);
        EXPECT_EQ(SDL_LoadBMP("picture.bmp"), nullptr);
        SDL_AudioSpec wanted {};
        EXPECT_EQ(SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0), 0u);
        EXPECT_EQ(SDL_NewAudioStream(AUDIO_U8, 1, 22050, AUDIO_S16SYS, 2, 44100), nullptr);
        EXPECT_EQ(SDL_AudioStreamAvailable(nullptr), 0);
        // Procedures do nothing, and a wait still waits.
        SDL_DestroyWindow(nullptr);
        SDL_FreeAudioStream(nullptr);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        auto before = std::chrono::steady_clock::now();
        SDL_Delay(30);
        EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
        EXPECT_EQ(SDL_GetError(), why) << "the reason stays the same";

        // The platform's own messages name the cause.
        std::vector<std::uint8_t> samples(2000, 0x80);
        auto converted = platform::audio::convert_to_output({1, 22050, 8}, samples);
        ASSERT_FALSE(converted);
        EXPECT_EQ(converted.failure().text(), "cannot convert the sound: " + why);
        auto sound_card = platform::audio::create_sdl_backend({});
        ASSERT_FALSE(sound_card);
        EXPECT_EQ(sound_card.failure().text(), "cannot start SDL audio: " + why);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        auto window = platform::host::create_sdl_display({});
        ASSERT_FALSE(window);
        EXPECT_EQ(window.failure().text(), "sdl: cannot start SDL's video: " + why);

        EXPECT_FALSE(sdl_is_mapped());
    });
}

TEST(SdlOnDemand, ALibraryThatIsNotSdlIsNotUsed)
{
    in_a_fresh_process([] {
        // Loads, but has none of SDL's functions: no call may reach into it.
        setenv(platform::sdl::library_variable, "libm.so.6", 1);
        EXPECT_LT(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
        EXPECT_EQ(std::string(SDL_GetError()), "libm.so.6 cannot be used: it has no SDL_GetError");
        SDL_Rect a {0, 0, 1, 1}, b {5, 5, 1, 1}, untouched {7, 7, 7, 7};
        SDL_UnionRect(&a, &b, &untouched);
        EXPECT_EQ(untouched.x, 7);
    });
}

}  // namespace
