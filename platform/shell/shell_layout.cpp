// The home screen's grid and dock, and the parts of the task bar.

#include "platform/shell/shell_layout.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/include/wingdi.h"

namespace platform::shell {

namespace {

constexpr int cell_width = screen_width / grid_columns;
constexpr int grid_top = task_bar_height + 36;
constexpr int cell_height = 116;
constexpr int label_gap = 6;
constexpr int label_height = 22;
constexpr int dock_top = 590;
constexpr int dock_tile_top = dock_top + 14;

struct Entry {
    Glyph glyph;
    const char16_t* label;
    COLORREF top;
    COLORREF bottom;
};

// The phone's own program leads the grid, where the eye lands first.
constexpr std::array grid_entries {
    Entry {Glyph::shaver, u"剃须刀", RGB(64, 224, 208), RGB(16, 128, 148)},
    Entry {Glyph::camera, u"相机", RGB(92, 99, 112), RGB(48, 52, 62)},
    Entry {Glyph::photos, u"相册", RGB(255, 196, 92), RGB(240, 120, 70)},
    Entry {Glyph::calendar, u"日历", RGB(255, 255, 255), RGB(226, 228, 234)},
    Entry {Glyph::clock, u"时钟", RGB(58, 58, 66), RGB(18, 18, 24)},
    Entry {Glyph::weather, u"天气", RGB(92, 184, 255), RGB(36, 112, 220)},
    Entry {Glyph::files, u"文件", RGB(120, 196, 255), RGB(60, 140, 232)},
    Entry {Glyph::calculator, u"计算器", RGB(255, 168, 64), RGB(236, 110, 20)},
    Entry {Glyph::settings, u"设置", RGB(150, 156, 168), RGB(92, 98, 112)},
};

constexpr std::array second_page_entries {
    Entry {Glyph::contacts, u"联系人", RGB(255, 170, 90), RGB(230, 100, 40)},
    Entry {Glyph::video, u"视频", RGB(250, 90, 90), RGB(190, 30, 50)},
    Entry {Glyph::maps, u"地图", RGB(130, 220, 150), RGB(40, 150, 110)},
    Entry {Glyph::notes, u"备忘录", RGB(255, 230, 110), RGB(240, 190, 40)},
    Entry {Glyph::recorder, u"录音机", RGB(120, 120, 140), RGB(60, 60, 76)},
};

constexpr std::array third_page_entries {
    Entry {Glyph::games, u"游戏", RGB(190, 120, 255), RGB(110, 50, 210)},
    Entry {Glyph::compass, u"指南针", RGB(80, 90, 110), RGB(30, 34, 46)},
};

constexpr std::array dock_entries {
    Entry {Glyph::phone, u"电话", RGB(110, 230, 120), RGB(40, 176, 72)},
    Entry {Glyph::messages, u"信息", RGB(120, 236, 130), RGB(30, 168, 88)},
    Entry {Glyph::browser, u"浏览器", RGB(110, 170, 255), RGB(40, 90, 230)},
    Entry {Glyph::music, u"音乐", RGB(255, 110, 140), RGB(220, 40, 90)},
};

AppIcon place(const Entry& entry, int column, int tile_top, bool in_dock)
{
    int left = column * cell_width + (cell_width - tile_size) / 2;
    RECT tile {left, tile_top, left + tile_size, tile_top + tile_size};
    int label_top = tile.bottom + label_gap;
    RECT label {column * cell_width + 2, label_top, (column + 1) * cell_width - 2, label_top + label_height};
    return AppIcon {entry.glyph, entry.label, entry.top, entry.bottom, tile, label, in_dock};
}

std::vector<AppIcon> build_icons(std::span<const Entry> grid)
{
    std::vector<AppIcon> icons;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        int column = static_cast<int>(i % grid_columns);
        int row = static_cast<int>(i / grid_columns);
        icons.push_back(place(grid[i], column, grid_top + row * cell_height, false));
    }
    for (std::size_t i = 0; i < dock_entries.size(); ++i)
        icons.push_back(place(dock_entries[i], static_cast<int>(i), dock_tile_top, true));
    return icons;
}

}  // namespace

std::span<const AppIcon> app_icons() { return page_icons(0); }

std::span<const AppIcon> page_icons(int page)
{
    static const std::array<std::vector<AppIcon>, home_page_count> pages {
        build_icons(grid_entries), build_icons(second_page_entries), build_icons(third_page_entries)};
    return pages[static_cast<std::size_t>(page >= 0 && page < home_page_count ? page : 0)];
}

const AppIcon& program_icon()
{
    static const AppIcon& icon = *std::find_if(app_icons().begin(), app_icons().end(),
        [](const AppIcon& candidate) { return candidate.glyph == program_glyph; });
    return icon;
}

std::optional<std::size_t> icon_at(int x, int y, int page)
{
    auto icons = page_icons(page);
    POINT point {x, y};
    for (std::size_t i = 0; i < icons.size(); ++i)
        if (PtInRect(&icons[i].tile, point)) return i;
    return std::nullopt;
}

RECT dock_panel() { return RECT {10, dock_top, screen_width - 10, screen_height - 8}; }

POINT page_dots_centre() { return POINT {screen_width / 2, dock_top - 22}; }

RECT task_bar_clock_area() { return RECT {screen_width / 2 - 60, 0, screen_width / 2 + 60, task_bar_height}; }

RECT task_bar_signal_area() { return RECT {10, 0, 130, task_bar_height}; }

RECT task_bar_battery_area() { return RECT {screen_width - 130, 0, screen_width - 10, task_bar_height}; }

}  // namespace platform::shell
