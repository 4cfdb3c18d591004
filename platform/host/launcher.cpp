// The program starts on a tap on its icon, as on the phone: the home screen
// is drawn first, the tile darkens under the finger, and the program's intro
// finds the home screen on the screen to peel away.

#include "platform/host/launcher.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/include/winuser.h"
#include "platform/kernel/clock.h"
#include "platform/loader/module_registry.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/shell_layout.h"

namespace platform::host {
namespace {

constexpr const char* home_option = "--home";

bool& started_from_home_screen_flag()
{
    static bool started_from_icon = false;
    return started_from_icon;
}

}  // namespace

void set_started_from_home_screen(bool started_from_icon) { started_from_home_screen_flag() = started_from_icon; }

bool started_from_home_screen() { return started_from_home_screen_flag(); }

Launcher::Launcher(bool wait_at_home, LaunchHooks hooks)
    : wait_at_home_(wait_at_home)
    , hooks_(std::move(hooks))
{
}

int Launcher::run(ProgramEntry program)
{
    if (!wait_at_home_ && !started_from_home_screen()) return start(program);
    if (!FindWindowW(platform::shell::home_screen_class, nullptr)) {
        hooks_.report("launch: there is no home screen to start the program from; it starts at once");
        return start(program);
    }
    tapped_ = false;
    platform::shell::set_icon_tap_listener([this](const platform::shell::AppIcon& icon) {
        if (icon.glyph == platform::shell::program_glyph) tapped_ = true;
    });
    Outcome outcome = wait_at_home_ ? wait_for_tap() : tap_icon_ourselves();
    platform::shell::set_icon_tap_listener({});
    if (outcome == Outcome::quit) {
        hooks_.report("launch: the phone was asked to quit at its home screen; the program did not run");
        return quit_code_;
    }
    started_from_icon_ = true;
    return start(program);
}

Launcher::Outcome Launcher::tap_icon_ourselves()
{
    const RECT& tile = platform::shell::program_icon().tile;
    int x = (tile.left + tile.right) / 2;
    int y = (tile.top + tile.bottom) / 2;
    hooks_.report("launch: the host taps the program's icon");
    hooks_.pointer(platform::user::PointerKind::down, x, y);
    if (pump_queued() == Outcome::quit) return Outcome::quit;
    hooks_.present();
    platform::clock::wait_for(icon_press_ms);
    hooks_.pointer(platform::user::PointerKind::up, x, y);
    if (pump_queued() == Outcome::quit) return Outcome::quit;
    // Something lying over the icon took the tap; the program is started all the same, as asked.
    if (!tapped_) hooks_.report("launch: the tap did not reach the icon; the program starts all the same");
    return Outcome::start;
}

Launcher::Outcome Launcher::wait_for_tap()
{
    hooks_.report("launch: the phone waits at its home screen for a tap on the program's icon");
    MSG message {};
    while (!tapped_) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit_code_ = got == 0 ? static_cast<int>(message.wParam) : 0;
            return Outcome::quit;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The tile loses its pressed look before the program looks at the screen.
    return pump_queued();
}

Launcher::Outcome Launcher::pump_queued()
{
    MSG message {};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit_code_ = static_cast<int>(message.wParam);
            return Outcome::quit;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return Outcome::start;
}

int Launcher::start(ProgramEntry program)
{
    if (wait_at_home_ || started_from_home_screen()) {
        hooks_.present();
        hooks_.report("launch: the program starts");
    }
    program_ran_ = true;
    static char16_t command_line[1] = {0};
    return program(platform::loader::program_module(), nullptr, command_line, SW_SHOW);
}

std::vector<std::string> home_restart_arguments(const std::vector<std::string>& arguments)
{
    std::vector<std::string> result = arguments;
    if (std::find(result.begin(), result.end(), home_option) == result.end()) result.push_back(home_option);
    return result;
}

Failure restart_at_home(int exit_code)
{
    std::ifstream stream("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        words.emplace_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (words.empty())
        return Failure {"cannot start anew at the home screen: this process's command line cannot be read"};
    std::vector<std::string> arguments = home_restart_arguments({words.begin() + 1, words.end()});
    arguments.insert(arguments.begin(), words.front());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::fprintf(stderr, "velmor: the program ended with code %d; back to the home screen\n", exit_code);
    // Whatever this process has said must come out before the new one speaks.
    std::fflush(nullptr);
    execv("/proc/self/exe", argv.data());
    return Failure {std::string("cannot start anew at the home screen: ") + std::strerror(errno)};
}

}  // namespace platform::host
