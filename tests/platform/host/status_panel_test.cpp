// The status panel: its text follows the phone's state and shows the window
// in front and the window's own events; its layout wraps whole words, keeps
// the newest events and the window's lines when space runs out; the drawn
// pixels change where a sensor's line is.

#include "platform/host/status_panel.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <sstream>

#include "platform/devices/device_host.h"
#include "platform/host/host_text.h"
#include "platform/kernel/clock.h"
#include "platform/shell/shell.h"
#include "platform/user/host.h"

using namespace platform::host;

namespace {

class StatusPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::clock::reset(platform::clock::Mode::virtual_time, 0);
        platform::devices::install_devices();
        platform::devices::reset_devices();
        window_events().clear();
    }
    void TearDown() override
    {
        platform::devices::uninstall_devices();
        window_events().clear();
    }

    std::vector<std::string> lines() { return status_lines(collect_phone_status(history_), 25); }

    // The lines with what goes on in tab-marked lines joined back.
    std::vector<std::string> joined_lines()
    {
        std::vector<std::string> joined;
        for (const auto& line : lines()) {
            if (!line.empty() && line[0] == '\t' && !joined.empty())
                joined.back() += " " + line.substr(1);
            else
                joined.push_back(line);
        }
        return joined;
    }

    bool shows(const std::string& text)
    {
        for (const auto& line : joined_lines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    EventHistory history_ {3};
};

// The rows of the panel whose pixels differ.
std::vector<int> differing_rows(const Image& a, const Image& b)
{
    std::vector<int> rows;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y)) {
                rows.push_back(y);
                break;
            }
    return rows;
}

int text_requests = 0;

std::vector<std::u32string> words(std::u32string_view text)
{
    std::vector<std::u32string> result;
    std::u32string word;
    for (char32_t c : text) {
        if (c == U' ') {
            if (!word.empty()) result.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) result.push_back(word);
    return result;
}

}  // namespace

TEST_F(StatusPanelTest, TextFollowsTheSensorsAndKeepsTheLastEvents)
{
    EXPECT_TRUE(shows("acc x 0 y 0 z 64, still"));
    EXPECT_TRUE(shows("proximity far"));
    EXPECT_TRUE(shows("usb off"));
    EXPECT_TRUE(shows("silent"));
    platform::devices::tilt(-12, 100, -128);
    platform::devices::set_near(true);
    platform::devices::set_usb_disk_mode(true);
    EXPECT_TRUE(shows("acc x -12 y 100 z -128"));
    EXPECT_TRUE(shows("proximity NEAR"));
    EXPECT_TRUE(shows("usb DISK MODE"));

    for (int i = 1; i <= 5; ++i) history_.add(std::uint64_t(i * 100), "event " + std::to_string(i));
    auto events = history_.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events.front().text, "event 3");
    EXPECT_FALSE(shows("event 2"));
    EXPECT_TRUE(shows("0.500 event 5"));

    // A long event goes on at whole words in marked lines, none longer than
    // the columns, and nothing of it is lost or cut.
    std::string sentence = "the shaver's motor started at full speed while the phone lay face down on the table";
    history_.add(61'234, sentence);
    auto all = lines();
    std::string joined;
    for (const auto& line : all) {
        EXPECT_LE(line.size(), 26u) << line;  // the mark and 25 characters
        if (line.rfind("61.234 ", 0) == 0)
            joined = line;
        else if (!joined.empty() && line[0] == '\t')
            joined += " " + line.substr(1);
    }
    EXPECT_EQ(joined, "61.234 " + sentence);
    EXPECT_EQ(all.back().find('~'), std::string::npos);
}

TEST_F(StatusPanelTest, ShowsTheForegroundWindowsClassAndTitleAndTheWindowsOwnEvents)
{
    ASSERT_TRUE(platform::shell::start_shell());
    WNDCLASSW window_class {};
    window_class.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (message == WM_GETTEXT) ++text_requests;
        return DefWindowProcW(hwnd, message, wparam, lparam);
    };
    window_class.lpszClassName = u"PanelFront";
    RegisterClassW(&window_class);
    HWND front = CreateWindowExW(
        0, u"PanelFront", u"剃须刀", WS_VISIBLE | WS_POPUP, 0, 0, 480, 720, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(front, nullptr);
    SetForegroundWindow(front);
    EXPECT_TRUE(shows("class PanelFront, title \"剃须刀\"")) << ::testing::PrintToString(joined_lines());
    // The panel reads the title without asking the program for it.
    EXPECT_EQ(text_requests, 0);

    // The window's taps land among the phone's events in order of time.
    history_.add(100, "shell first");
    platform::clock::advance_to(200);
    note_window_event("tap 10 20");
    history_.add(300, "shell last");
    auto events = collect_phone_status(history_).events;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], (StatusEvent {200, "tap 10 20"}));
    EXPECT_EQ(events[2].text, "shell last");

    DestroyWindow(front);
    platform::shell::stop_shell();
    platform::user::shut_down_thread_windows();
}

TEST(StatusPanelLayout, WrapsWholeWordsAndKeepsTheNewestEventsAndTheFooter)
{
    HostFont font(14);
    ASSERT_TRUE(font.usable()) << "the platform's font is missing";
    const int width = 200;
    std::string long_event = "0.250 shell M key asked the front window 0x00010004 and it answered leave";
    std::vector<std::string> lines {"=SENSORS", "proximity far", "", "=EVENTS", "0.100 oldest event", long_event,
        "\tcontinued by the status text", "0.900 newest event"};
    std::vector<std::string> footer {"=WINDOW", "30 fps, frame 1.0 ms", "F12 screenshot"};

    auto roomy = lay_out_status_panel(lines, footer, font, width, 100);
    std::u32string event_text;
    for (const auto& line : roomy) {
        EXPECT_LE(font.width(line.text), width) << std::string(line.text.begin(), line.text.end());
        if (!line.heading && (line.continued || line.text.starts_with(U"0.250"))) {
            event_text += (event_text.empty() ? U"" : U" ") + line.text;
        }
    }
    // Every word whole and in order, the status text's own continuation too.
    EXPECT_EQ(words(event_text), words(decode_utf8(long_event + " continued by the status text")));
    for (std::size_t i = 0; i + 1 < roomy.size(); ++i) {
        if (roomy[i].text.starts_with(U"0.250")) {
            EXPECT_TRUE(roomy[i + 1].continued);
        }
    }
    EXPECT_EQ(roomy.back().text, U"F12 screenshot");
    EXPECT_TRUE(roomy.back().footer);
    EXPECT_TRUE(roomy.front().heading);
    EXPECT_EQ(roomy.front().text, U"SENSORS");

    // Short of room, the oldest events go first; the headings, the newest
    // event and the footer stay.
    std::size_t needed = roomy.size();
    auto tight = lay_out_status_panel(lines, footer, font, width, int(needed) - 1);
    ASSERT_LE(tight.size(), needed - 1);
    std::set<std::u32string> shown;
    for (const auto& line : tight) shown.insert(line.text);
    EXPECT_FALSE(shown.count(U"0.100 oldest event"));
    EXPECT_TRUE(shown.count(U"0.900 newest event"));
    EXPECT_TRUE(shown.count(U"EVENTS"));
    EXPECT_TRUE(shown.count(U"F12 screenshot"));

    // A word wider than the panel is broken, never drawn past the edge.
    auto narrow = lay_out_status_panel({std::string(60, 'W')}, {}, font, 50, 100);
    EXPECT_GT(narrow.size(), 2u);
    for (const auto& line : narrow) EXPECT_LE(font.width(line.text), 50);
}

TEST_F(StatusPanelTest, DrawnPixelsChangeWhereTheSensorsLineIs)
{
    std::vector<std::string> footer {"=WINDOW", "F12 screenshot"};
    Image before = draw_status_panel(lines(), footer, status_panel_width, 720, 1);
    EXPECT_EQ(before.width, status_panel_width);
    EXPECT_EQ(before.height, 720);
    EXPECT_TRUE(differing_rows(before, draw_status_panel(lines(), footer, status_panel_width, 720, 1)).empty())
        << "drawing is repeatable";

    platform::devices::set_near(true);
    Image after = draw_status_panel(lines(), footer, status_panel_width, 720, 1);
    auto rows = differing_rows(before, after);
    ASSERT_FALSE(rows.empty());
    // Only the proximity line (the third) changed: one line's height of rows.
    int line_height = HostFont(14).line_height();
    EXPECT_GE(rows.front(), 12 + 2 * line_height);
    EXPECT_LT(rows.back(), 12 + 3 * line_height);

    // At twice the scale the text is drawn twice as large, not stretched.
    Image doubled = draw_status_panel(lines(), footer, 2 * status_panel_width, 1440, 2);
    auto inked = [](const Image& image) {
        long count = 0;
        for (auto pixel : image.pixels) count += ((pixel >> 8) & 0xFF) > 0x80;
        return count;
    };
    ASSERT_GT(inked(after), 0);
    double ratio = double(inked(doubled)) / double(inked(after));
    EXPECT_GT(ratio, 3.0);
    EXPECT_LT(ratio, 5.0);
}

TEST(HostText, DecodesUtf8AndKeepsMalformedBytes)
{
    EXPECT_EQ(decode_utf8("a剃\xF0\x9F\x98\x80"), U"a剃\U0001F600");
    // A lone continuation byte, a cut sequence and a lead byte before ASCII
    // each stand for themselves.
    EXPECT_EQ(decode_utf8("\x80"), std::u32string(1, char32_t(0x80)));
    EXPECT_EQ(decode_utf8("x\xE5\x89"), (std::u32string {U'x', 0xE5, 0x89}));
    EXPECT_EQ(decode_utf8("\xC3"
                          "A"),
        (std::u32string {0xC3, U'A'}));
}
