// Where the shell puts things on the 480 x 720 screen: the task bar across the top, the grid of app icons
// (four columns, on pages a swipe turns) and the dock of four icons at the bottom of the home screen, the same
// on every page. Painting, touch handling and
// tests all read the same table, so a tile is drawn exactly where a tap finds it.
#pragma once

#include <optional>
#include <span>

#include "platform/include/windef.h"

namespace platform::shell {

inline constexpr int screen_width = 480;
inline constexpr int screen_height = 720;

// The task bar is a 36-pixel strip: tall enough for a finger to hit and for a 20-pixel clock, small enough
// to leave the program most of the screen when it is shown.
inline constexpr int task_bar_height = 36;

inline constexpr int grid_columns = 4;
inline constexpr int tile_size = 72;
inline constexpr int tile_corner = 18;

enum class Glyph {
    camera,
    photos,
    calendar,
    clock,
    weather,
    files,
    calculator,
    settings,
    shaver,
    phone,
    messages,
    browser,
    music,
    contacts,
    video,
    maps,
    notes,
    recorder,
    games,
    compass,
};

struct AppIcon {
    Glyph glyph;
    const char16_t* label;  // Chinese; icon_label() gives it in the phone's language
    // The tile's colours at its top and bottom edge.
    COLORREF top;
    COLORREF bottom;
    RECT tile;  // screen coordinates
    RECT label_area;
    bool in_dock;
};

inline constexpr int home_page_count = 3;

// Every icon of the home screen's first page, grid first (row by row), then the dock.
std::span<const AppIcon> app_icons();
// The same for any page (0 to home_page_count - 1; others give the first page).
std::span<const AppIcon> page_icons(int page);

// The icon of the program the phone runs (Brisell's shaver): a tap on it is
// what starts the program.
inline constexpr Glyph program_glyph = Glyph::shaver;
const AppIcon& program_icon();

// The index in page_icons(page) of the icon whose tile contains the point (screen coordinates), if any.
std::optional<std::size_t> icon_at(int x, int y, int page = 0);

// The translucent panel the dock icons sit on, and the page dots between grid and dock.
RECT dock_panel();
POINT page_dots_centre();

// Parts of the task bar, in its client coordinates.
RECT task_bar_clock_area();
RECT task_bar_signal_area();
RECT task_bar_battery_area();

}  // namespace platform::shell
