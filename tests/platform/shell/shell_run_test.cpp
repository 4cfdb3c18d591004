// The shell's reactions on the phone as velmor-shell runs it from a script: the host's commands reach the
// shell, its screens show in the recorded frames and every reaction is a line of the event log, in English
// too when the phone is set to it.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/host/png_image.h"
#include "platform/shell/shell_layout.h"
#include "platform/shell/shell_screens.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::host::Image;

struct ShellRunResult {
    explicit ShellRunResult(const std::string& name)
        : folder("velmor-shell-run-" + name)
    {
    }
    ShellRunResult(ShellRunResult&&) = default;
    // A failed test's run stays behind, frames and log, for a person to look at.
    ~ShellRunResult()
    {
        if (folder.made() && ::testing::Test::HasFailure()) {
            folder.keep();
            std::fprintf(stderr, "the run is kept in %s\n", folder.path().c_str());
        }
    }

    velmor_test::TempFolder folder;
    int exit_code = -1;
    std::string output;
    std::string log;
    fs::path record;
};

std::string point(POINT at) { return std::to_string(at.x) + " " + std::to_string(at.y); }
POINT centre(const RECT& rect) { return POINT {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// velmor-shell on a fresh, empty phone under the script: the shell needs nothing from the device root.
ShellRunResult run_shell(const std::string& name, const std::string& script, const std::string& options = "")
{
    ShellRunResult run(name);
    EXPECT_TRUE(run.folder.made());
    if (!run.folder.made()) return run;
    const fs::path& folder = run.folder.path();
    fs::create_directories(folder / "root");
    std::ofstream(folder / "s.txt") << script;
    run.record = folder / "record";
    std::string command = std::string("'") + SHELL_RUN_VELMOR_SHELL + "' --headless --device-root '" +
        (folder / "root").string() + "' --script '" + (folder / "s.txt").string() + "' --record '" +
        run.record.string() + "' " + options + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream log(run.record / "events.log");
    run.log.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    return run;
}

Image load(const fs::path& file)
{
    auto image = platform::host::read_png(file);
    EXPECT_TRUE(image) << image.failure().text();
    return image ? *image : Image(480, 720);
}

int red(std::uint32_t pixel) { return static_cast<int>((pixel >> 16) & 0xFF); }
int green(std::uint32_t pixel) { return static_cast<int>((pixel >> 8) & 0xFF); }
int blue(std::uint32_t pixel) { return static_cast<int>(pixel & 0xFF); }

// The lines appear in the log in this order.
void expect_in_order(const std::string& log, const std::vector<std::string>& lines)
{
    std::size_t from = 0;
    for (const auto& line : lines) {
        auto at = log.find(line, from);
        EXPECT_NE(at, std::string::npos) << "\"" << line << "\" missing or out of order in\n" << log;
        if (at != std::string::npos) from = at + line.size();
    }
}

using namespace platform::shell;

TEST(ShellRun, EveryReactionShowsAndIsLogged)
{
    std::string script = "wait 200\n"
                         "screenshot home.png\n"
                         "call begin\n"
                         "wait 100\n"
                         "screenshot call.png\n"
                         "tap " +
        point(centre(answer_button())) +
        "\n"
        "wait 100\n"
        "tap " +
        point(centre(hang_up_button())) +
        "\n"
        "wait 100\n"
        "sms begin\n"
        "wait 100\n"
        "screenshot sms.png\n"
        "wait 5000\n"
        "screenshot sms-gone.png\n"
        "usb disk\n"
        "wait 100\n"
        "screenshot disk.png\n"
        "usb off\n"
        "power\n"
        "wait 100\n"
        "screenshot lock.png\n"
        "press 240 600\n"
        "move 240 500\n"
        "release 240 400\n"
        "wait 100\n"
        "press 400 400\n"
        "move 300 400\n"
        "release 200 400\n"
        "wait 100\n"
        "screenshot page-2.png\n"
        "tap " +
        point(centre(page_icons(1)[1].tile)) +
        "\n"
        "wait 100\n"
        "screenshot placeholder.png\n"
        "mkey\n"
        "wait 100\n";
    ShellRunResult run = run_shell("reactions", script);
    ASSERT_EQ(run.exit_code, 0) << run.output;
    expect_in_order(run.log,
        {"shell call begins: CALL_MESSAGE", "shell incoming call screen shown", "shell incoming call screen: answered",
            "shell incoming call screen: hung up", "shell call ends: CALL_MESSAGE",
            "shell incoming call screen removed: the call ended", "shell SMS banner shown",
            "shell SMS banner removed: timed out", "device USB: entered USB-disk mode", "shell USB-disk screen shown",
            "shell USB-disk screen removed: USB-disk mode left", "shell power key: ShellNotifyMsg/EntryLockphone",
            "shell lock screen shown", "shell lock screen removed: unlocked by a swipe",
            "shell home screen: page 2 of 3", "shell placeholder screen of 视频 shown",
            "shell placeholder screen of 视频 removed: back (M key)"});

    Image home = load(run.record / "home.png");
    Image call = load(run.record / "call.png");
    POINT answer = centre(answer_button());
    EXPECT_GT(green(call.at(answer.x - 40, answer.y)), 150);
    EXPECT_NE(call.at(240, 300), home.at(240, 300));
    RECT banner = screen_area(ScreenKind::sms_banner);
    EXPECT_GT(red(load(run.record / "sms.png").at(240, banner.bottom - 8)), 200);
    EXPECT_EQ(load(run.record / "sms-gone.png").at(240, banner.bottom - 8), home.at(240, banner.bottom - 8));
    std::uint32_t disk = load(run.record / "disk.png").at(60, 650);
    EXPECT_GT(blue(disk), red(disk) + 40);
    EXPECT_NE(load(run.record / "lock.png").at(240, 400), home.at(240, 400));
    POINT first_tile = centre(program_icon().tile);
    EXPECT_NE(
        load(run.record / "page-2.png").at(first_tile.x - 30, first_tile.y), home.at(first_tile.x - 30, first_tile.y));
    RECT card = screen_area(ScreenKind::placeholder);
    std::uint32_t card_pixel = load(run.record / "placeholder.png").at(card.left + 30, card.bottom - 20);
    EXPECT_GT(red(card_pixel), 200);
    EXPECT_GT(blue(card_pixel), 200);
}

TEST(ShellRun, TheLanguageOptionSwitchesTheShellToEnglish)
{
    std::string script = "wait 200\nscreenshot home.png\ntap " + point(centre(app_icons()[1].tile)) +
        "\nwait 100\nscreenshot placeholder.png\n";
    ShellRunResult chinese = run_shell("chinese", script);
    ShellRunResult english = run_shell("english", script, "--lang 0x0409");
    ASSERT_EQ(chinese.exit_code, 0) << chinese.output;
    ASSERT_EQ(english.exit_code, 0) << english.output;
    // The wallpaper is the same; the labels and the placeholder's words are not.
    Image chinese_home = load(chinese.record / "home.png");
    Image english_home = load(english.record / "home.png");
    EXPECT_EQ(chinese_home.at(240, 400), english_home.at(240, 400));
    auto differ = [](const Image& a, const Image& b, const RECT& area) {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (a.at(x, y) != b.at(x, y)) return true;
        return false;
    };
    EXPECT_TRUE(differ(chinese_home, english_home, program_icon().label_area));
    EXPECT_FALSE(differ(chinese_home, english_home, program_icon().tile));
    RECT card = screen_area(ScreenKind::placeholder);
    EXPECT_TRUE(differ(load(chinese.record / "placeholder.png"), load(english.record / "placeholder.png"), card));
}

}  // namespace
