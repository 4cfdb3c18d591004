#include "phone_session.h"

#include <cstdlib>
#include <string_view>

#include <windows.h>

#include "platform/gdi/screen.h"
#include "platform/host/screen_compare.h"
#include "platform/kernel/debug_output.h"
#include "platform/user/host.h"

namespace ovfc_test {

platform::Result<void> PhoneSession::start(const std::filesystem::path& device_root, bool echo_trace)
{
    stop();
    root_ = device_root;
    platform::host::PhoneBootOptions options;
    options.device_root = device_root;
    // The shell's windows would take the tests' touches and paint over what
    // they draw; the tests that need it start it themselves.
    options.shell = false;
    boot_.emplace(std::move(options));
    if (auto up = boot_->bring_up(); !up) {
        boot_.reset();
        return up;
    }
    if (echo_trace)
        platform::debug_output::use_standard_error();
    else
        platform::debug_output::discard();
    capture_id_ = platform::debug_output::add_capture([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
    started_ = true;
    return {};
}

void PhoneSession::stop()
{
    if (!started_) return;
    platform::user::set_idle_handler({});
    // The phone goes down while its trace lines are still captured.
    boot_.reset();
    platform::debug_output::flush();
    platform::debug_output::remove_capture(capture_id_);
    platform::debug_output::use_standard_error();
    started_ = false;
}

std::filesystem::path PhoneSession::registry_file() const { return root_ / "registry.reg"; }

std::vector<std::string> PhoneSession::trace() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

void PhoneSession::clear_trace()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}

void PhoneSession::press(int x, int y) { platform::user::inject_pointer(platform::user::PointerKind::down, x, y); }
void PhoneSession::move(int x, int y) { platform::user::inject_pointer(platform::user::PointerKind::move, x, y); }
void PhoneSession::release(int x, int y) { platform::user::inject_pointer(platform::user::PointerKind::up, x, y); }

void PhoneSession::tap(int x, int y)
{
    press(x, y);
    release(x, y);
}

std::optional<int> PhoneSession::wait(std::uint32_t ms)
{
    // A timer of the thread's own marks the end: in virtual time an idle
    // message loop jumps from one due timer to the next, so everything that
    // falls due on the way happens first, at its own time.
    UINT_PTR end = SetTimer(nullptr, 0, ms, nullptr);
    if (!end) return std::nullopt;
    std::optional<int> quit;
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) break;
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == end) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, end);
    return quit;
}

platform::host::Image PhoneSession::screen_image()
{
    platform::host::Image image(platform::gdi::Screen::width, platform::gdi::Screen::height);
    image.pixels = platform::gdi::screen().read_xrgb();
    return image;
}

ScreenCheck PhoneSession::expect_screen(
    const std::filesystem::path& reference, int tolerance, const std::filesystem::path& actual_file)
{
    return expect_picture(screen_image(), reference, tolerance, actual_file);
}

ScreenCheck expect_picture(const platform::host::Image& actual, const std::filesystem::path& reference, int tolerance,
    const std::filesystem::path& actual_file)
{
    ScreenCheck check;
    const char* update = std::getenv("VELMOR_UPDATE_REFERENCES");
    if (update && std::string_view(update) == "1") {
        std::error_code ignored;
        std::filesystem::create_directories(reference.parent_path(), ignored);
        auto written = platform::host::write_png(reference, actual);
        check.matched = written.ok();
        check.message = check.matched ? "reference written: " + reference.string() : written.failure().text();
        return check;
    }
    auto expected = platform::host::read_png(reference);
    if (!expected) {
        check.message = expected.failure().text() + " (VELMOR_UPDATE_REFERENCES=1 creates it)";
        return check;
    }
    platform::host::Comparison comparison = platform::host::compare_images(*expected, actual, tolerance);
    if (comparison.matches) {
        check.matched = true;
        return check;
    }
    std::filesystem::path actual_path = actual_file;
    if (actual_path.empty())
        actual_path = std::filesystem::temp_directory_path() / "velmor-screens" / reference.filename();
    std::filesystem::path diff_path = actual_path;
    diff_path.replace_extension("").concat("-diff.png");
    std::error_code ignored;
    std::filesystem::create_directories(actual_path.parent_path(), ignored);
    check.message = reference.string() + ": " + comparison.describe();
    auto written = platform::host::write_png(actual_path, actual);
    if (written)
        written = platform::host::write_png(diff_path, platform::host::difference_image(*expected, actual, tolerance));
    if (written) {
        check.message += "; the screen is in " + actual_path.string() + ", the difference in " + diff_path.string();
    } else {
        check.message += "; " + written.failure().text();
    }
    return check;
}

}  // namespace ovfc_test
