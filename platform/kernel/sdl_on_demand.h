// SDL2 is loaded the first time the platform calls one of its functions, not
// when a program starts: a headless phone that plays no sound never needs it,
// and with it come forty-odd libraries (X11, Wayland, PulseAudio, ALSA, the
// codecs) that every start would otherwise map and relocate.
//
// The SDL functions the platform calls are defined by this library with the
// signatures <SDL.h> declares, so callers include <SDL.h> and call them as
// usual. Each forwards to the library's own function. When the library
// cannot be loaded, each returns what SDL returns on failure (NULL, -1, 0 or
// SDL_FALSE; procedures do nothing) and SDL_GetError says why.
#pragma once

namespace platform::sdl {

// The library loaded on first use, unless the environment variable names
// another: a different build of SDL, or a missing one to see how the phone
// fares without it.
inline constexpr const char* default_library = "libSDL2-2.0.so.0";
inline constexpr const char* library_variable = "VELMOR_SDL_LIBRARY";

}  // namespace platform::sdl
