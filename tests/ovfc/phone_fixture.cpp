#include "phone_fixture.h"

#include <cstdio>
#include <fstream>

#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_message_loop.h"
#include "ovfc/core/ov_theme.h"
#include "platform/gdi/screen.h"
#include "platform/kernel/utf.h"
#include "platform/registry/registry_host.h"
#include "platform/user/host.h"

namespace ovfc_test {

void PhoneTest::SetUp()
{
    ASSERT_TRUE(root_.made());
    if (seed_theme_colors_) {
        std::ofstream file(root_ / "registry.reg", std::ios::binary);
        file << platform::registry::shipped_defaults() << "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme\\Colors]\n";
        for (UINT i = 0; i < OV_THEME_COLOR_COUNT; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "\"%s\"=dword:%08x\n", platform::to_utf8(OvGetThemeColorName(i)).c_str(),
                OvGetThemeColorDefault(i));
            file << line;
        }
    }
    auto started = session_.start(root_.path());
    ASSERT_TRUE(started) << started.failure().text();
    OvResetMessageLoopState();
    OvForgetThemeColors();
    OvDebugZones = 0;
}

void PhoneTest::TearDown()
{
    session_.stop();
    OvResetMessageLoopState();
    OvDebugZones = 0;
}

void PhoneTest::set_trace_mask(DWORD mask)
{
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Debug"), 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, TEXT("OVFC"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mask), sizeof(mask)),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

std::vector<std::string> PhoneTest::trace_with(std::string_view text) const
{
    std::vector<std::string> found;
    for (const std::string& line : session_.trace())
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

int PhoneTest::pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return -1000;
}

std::uint32_t PhoneTest::screen_pixel(int x, int y) const
{
    std::vector<std::uint32_t> pixels = platform::gdi::screen().read_xrgb();
    return pixels[static_cast<std::size_t>(y) * platform::gdi::Screen::width + x];
}

}  // namespace ovfc_test
