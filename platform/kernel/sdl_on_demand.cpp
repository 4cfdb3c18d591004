// The SDL functions the platform calls, defined here so that no program links
// libSDL2: each forwards to the library's own function, found when the first
// of them is called.
#include "platform/kernel/sdl_on_demand.h"

#include <SDL.h>
#include <dlfcn.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <thread>

// Every SDL function the platform and its tests call, with the signature
// <SDL.h> gives it (the definitions below conflict with the header if one
// differs) and what it returns when SDL is not there: what SDL itself returns
// on failure. A procedure's last entry is what it does instead (mostly
// nothing).
#define VELMOR_SDL_FUNCTIONS(FUNCTION, PROCEDURE)                                                                      \
    FUNCTION(const char*, SDL_GetError, (void), (), load_failure())                                                    \
    FUNCTION(int, SDL_InitSubSystem, (Uint32 flags), (flags), -1)                                                      \
    PROCEDURE(SDL_QuitSubSystem, (Uint32 flags), (flags), )                                                            \
    FUNCTION(Uint32, SDL_WasInit, (Uint32 flags), (flags), 0)                                                          \
    PROCEDURE(SDL_Quit, (void), (), )                                                                                  \
    FUNCTION(SDL_bool, SDL_SetHintWithPriority, (const char* name, const char* value, SDL_HintPriority priority),      \
        (name, value, priority), SDL_FALSE)                                                                            \
    /* A wait still waits, so a caller pacing itself with it does not spin. */                                         \
    PROCEDURE(SDL_Delay, (Uint32 ms), (ms), std::this_thread::sleep_for(std::chrono::milliseconds(ms)))                \
                                                                                                                       \
    FUNCTION(int, SDL_PollEvent, (SDL_Event * event), (event), 0)                                                      \
    FUNCTION(int, SDL_WaitEvent, (SDL_Event * event), (event), 0)                                                      \
    FUNCTION(int, SDL_WaitEventTimeout, (SDL_Event * event, int timeout), (event, timeout), 0)                         \
    FUNCTION(int, SDL_PushEvent, (SDL_Event * event), (event), -1)                                                     \
    FUNCTION(Uint32, SDL_RegisterEvents, (int numevents), (numevents), static_cast<Uint32>(-1))                        \
                                                                                                                       \
    FUNCTION(const char*, SDL_GetCurrentVideoDriver, (void), (), nullptr)                                              \
    FUNCTION(int, SDL_GetDisplayUsableBounds, (int displayIndex, SDL_Rect* rect), (displayIndex, rect), -1)            \
    FUNCTION(SDL_Window*, SDL_CreateWindow, (const char* title, int x, int y, int w, int h, Uint32 flags),             \
        (title, x, y, w, h, flags), nullptr)                                                                           \
    PROCEDURE(SDL_DestroyWindow, (SDL_Window * window), (window), )                                                    \
    FUNCTION(int, SDL_UpdateWindowSurfaceRects, (SDL_Window * window, const SDL_Rect* rects, int numrects),            \
        (window, rects, numrects), -1)                                                                                 \
    PROCEDURE(SDL_UnionRect, (const SDL_Rect* A, const SDL_Rect* B, SDL_Rect* result), (A, B, result), )               \
                                                                                                                       \
    FUNCTION(SDL_Renderer*, SDL_CreateRenderer, (SDL_Window * window, int index, Uint32 flags),                        \
        (window, index, flags), nullptr)                                                                               \
    PROCEDURE(SDL_DestroyRenderer, (SDL_Renderer * renderer), (renderer), )                                            \
    FUNCTION(int, SDL_GetRendererInfo, (SDL_Renderer * renderer, SDL_RendererInfo * info), (renderer, info), -1)       \
    FUNCTION(int, SDL_GetRendererOutputSize, (SDL_Renderer * renderer, int* w, int* h), (renderer, w, h), -1)          \
    FUNCTION(int, SDL_RenderSetClipRect, (SDL_Renderer * renderer, const SDL_Rect* rect), (renderer, rect), -1)        \
    FUNCTION(int, SDL_RenderCopy,                                                                                      \
        (SDL_Renderer * renderer, SDL_Texture * texture, const SDL_Rect* srcrect, const SDL_Rect* dstrect),            \
        (renderer, texture, srcrect, dstrect), -1)                                                                     \
    FUNCTION(int, SDL_RenderReadPixels,                                                                                \
        (SDL_Renderer * renderer, const SDL_Rect* rect, Uint32 format, void* pixels, int pitch),                       \
        (renderer, rect, format, pixels, pitch), -1)                                                                   \
    FUNCTION(int, SDL_RenderFlush, (SDL_Renderer * renderer), (renderer), -1)                                          \
    PROCEDURE(SDL_RenderPresent, (SDL_Renderer * renderer), (renderer), )                                              \
                                                                                                                       \
    FUNCTION(SDL_Texture*, SDL_CreateTexture, (SDL_Renderer * renderer, Uint32 format, int access, int w, int h),      \
        (renderer, format, access, w, h), nullptr)                                                                     \
    PROCEDURE(SDL_DestroyTexture, (SDL_Texture * texture), (texture), )                                                \
    FUNCTION(int, SDL_SetTextureScaleMode, (SDL_Texture * texture, SDL_ScaleMode scaleMode), (texture, scaleMode), -1) \
    FUNCTION(int, SDL_UpdateTexture, (SDL_Texture * texture, const SDL_Rect* rect, const void* pixels, int pitch),     \
        (texture, rect, pixels, pitch), -1)                                                                            \
    FUNCTION(int, SDL_LockTexture, (SDL_Texture * texture, const SDL_Rect* rect, void** pixels, int* pitch),           \
        (texture, rect, pixels, pitch), -1)                                                                            \
    PROCEDURE(SDL_UnlockTexture, (SDL_Texture * texture), (texture), )                                                 \
                                                                                                                       \
    FUNCTION(SDL_RWops*, SDL_RWFromFile, (const char* file, const char* mode), (file, mode), nullptr)                  \
    FUNCTION(SDL_Surface*, SDL_LoadBMP_RW, (SDL_RWops * src, int freesrc), (src, freesrc), nullptr)                    \
    FUNCTION(SDL_Surface*, SDL_ConvertSurfaceFormat, (SDL_Surface * src, Uint32 pixel_format, Uint32 flags),           \
        (src, pixel_format, flags), nullptr)                                                                           \
    PROCEDURE(SDL_FreeSurface, (SDL_Surface * surface), (surface), )                                                   \
                                                                                                                       \
    FUNCTION(SDL_AudioDeviceID, SDL_OpenAudioDevice,                                                                   \
        (const char* device, int iscapture, const SDL_AudioSpec* desired, SDL_AudioSpec* obtained,                     \
            int allowed_changes),                                                                                      \
        (device, iscapture, desired, obtained, allowed_changes), 0)                                                    \
    PROCEDURE(SDL_PauseAudioDevice, (SDL_AudioDeviceID dev, int pause_on), (dev, pause_on), )                          \
    PROCEDURE(SDL_CloseAudioDevice, (SDL_AudioDeviceID dev), (dev), )                                                  \
    FUNCTION(SDL_AudioStream*, SDL_NewAudioStream,                                                                     \
        (const SDL_AudioFormat src_format, const Uint8 src_channels, const int src_rate,                               \
            const SDL_AudioFormat dst_format, const Uint8 dst_channels, const int dst_rate),                           \
        (src_format, src_channels, src_rate, dst_format, dst_channels, dst_rate), nullptr)                             \
    PROCEDURE(SDL_FreeAudioStream, (SDL_AudioStream * stream), (stream), )                                             \
    FUNCTION(int, SDL_AudioStreamPut, (SDL_AudioStream * stream, const void* buf, int len), (stream, buf, len), -1)    \
    FUNCTION(int, SDL_AudioStreamGet, (SDL_AudioStream * stream, void* buf, int len), (stream, buf, len), -1)          \
    FUNCTION(int, SDL_AudioStreamFlush, (SDL_AudioStream * stream), (stream), -1)                                      \
    FUNCTION(int, SDL_AudioStreamAvailable, (SDL_AudioStream * stream), (stream), 0)

namespace {

#define VELMOR_SDL_SLOT_OF_FUNCTION(type, name, ...) name,
#define VELMOR_SDL_SLOT_OF_PROCEDURE(name, ...) name,
enum class Slot : std::size_t { VELMOR_SDL_FUNCTIONS(VELMOR_SDL_SLOT_OF_FUNCTION, VELMOR_SDL_SLOT_OF_PROCEDURE) count };

#define VELMOR_SDL_NAME_OF_FUNCTION(type, name, ...) #name,
#define VELMOR_SDL_NAME_OF_PROCEDURE(name, ...) #name,
constexpr std::array<const char*, std::size_t(Slot::count)> function_names {
    VELMOR_SDL_FUNCTIONS(VELMOR_SDL_NAME_OF_FUNCTION, VELMOR_SDL_NAME_OF_PROCEDURE)};

struct Library {
    // Every function found, or none: a library that lacks one is not used.
    std::array<void*, std::size_t(Slot::count)> functions {};
    // Why the functions are missing, in SDL_GetError's words.
    std::string failure;
};

Library load()
{
    const char* chosen = std::getenv(platform::sdl::library_variable);
    std::string name = chosen && *chosen ? chosen : platform::sdl::default_library;
    Library library;
    // Local: SDL's own symbols must not take the place of the definitions
    // below for anyone loaded later.
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        library.failure = name + " cannot be loaded: " + (why ? why : "the loader gives no reason");
        return library;
    }
    std::array<void*, std::size_t(Slot::count)> found {};
    for (std::size_t i = 0; i < found.size(); ++i) {
        found[i] = dlsym(handle, function_names[i]);
        if (!found[i]) {
            library.failure = name + " cannot be used: it has no " + function_names[i];
            dlclose(handle);
            return library;
        }
    }
    library.functions = found;
    return library;
}

// Loaded once, by whichever thread calls first (the window's, or an audio
// thread's); the others wait for it and then only read. Never destroyed:
// static objects may still close SDL on the program's way out.
const Library& library()
{
    static const Library& loaded = *new Library(load());
    return loaded;
}

void* resolved(Slot slot) { return library().functions[std::size_t(slot)]; }

const char* load_failure() { return library().failure.c_str(); }

}  // namespace

#define VELMOR_SDL_FORWARD_FUNCTION(type, name, parameters, arguments, failed)                                         \
    type SDLCALL name parameters                                                                                       \
    {                                                                                                                  \
        auto real = reinterpret_cast<decltype(&name)>(resolved(Slot::name));                                           \
        return real ? real arguments : static_cast<type>(failed);                                                      \
    }
#define VELMOR_SDL_FORWARD_PROCEDURE(name, parameters, arguments, instead)                                             \
    void SDLCALL name parameters                                                                                       \
    {                                                                                                                  \
        if (auto real = reinterpret_cast<decltype(&name)>(resolved(Slot::name)))                                       \
            real arguments;                                                                                            \
        else {                                                                                                         \
            instead;                                                                                                   \
        }                                                                                                              \
    }

extern "C" {
VELMOR_SDL_FUNCTIONS(VELMOR_SDL_FORWARD_FUNCTION, VELMOR_SDL_FORWARD_PROCEDURE)
}
