#include "services_fixture.h"

#include <fstream>

#include "platform/devices/device_host.h"
#include "platform/shell/notification_reader.h"
#include "platform/shell/shell.h"

namespace services_test {
namespace {

std::vector<Received>& recorded()
{
    static std::vector<Received> messages;
    return messages;
}

LRESULT CALLBACK recording_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message >= 0xC000 || message == proximity_message) recorded().push_back({hwnd, message, wparam, lparam});
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

constexpr const char16_t* window_class = u"ServicesTestWindow";
constexpr const char16_t* volume_key = u"ControlPanel\\Volume";

}  // namespace

void ServicesTest::SetUp()
{
    PhoneTest::SetUp();
    platform::devices::install_devices();
    recorded().clear();
    WNDCLASSW description {};
    description.lpfnWndProc = recording_procedure;
    description.lpszClassName = window_class;
    RegisterClassW(&description);
}

void ServicesTest::TearDown()
{
    platform::shell::stop_shell();
    platform::devices::uninstall_devices();
    PhoneTest::TearDown();
    UnregisterClassW(window_class, nullptr);
}

HWND ServicesTest::make_window()
{
    return CreateWindowExW(
        0, window_class, nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
}

std::vector<Received> ServicesTest::received(UINT message) const
{
    std::vector<Received> found;
    for (const auto& entry : recorded())
        if (entry.message == message) found.push_back(entry);
    return found;
}

void ServicesTest::clear_received() { recorded().clear(); }

void ServicesTest::start_shell()
{
    ASSERT_TRUE(platform::shell::start_shell());
    pump();
    // Records earlier cases left in the queue are read and forgotten.
    platform::shell::read_shell_notifications();
    platform::shell::close_notification_reader();
    ASSERT_TRUE(platform::shell::open_notification_reader());
}

void ServicesTest::set_volume_value(const char16_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, volume_key, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void ServicesTest::set_volume_dword(const char16_t* name, DWORD value)
{
    set_volume_value(name, REG_DWORD, &value, sizeof value);
}

void ServicesTest::delete_volume_key() { RegDeleteKeyW(HKEY_CURRENT_USER, volume_key); }

void ServicesTest::put_wav(const std::string& relative)
{
    // 100 ms of 16-bit mono silence at 8000 Hz with the canonical header.
    const std::uint32_t data_bytes = 1600;
    auto put32 = [](std::ofstream& out, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) out.put(static_cast<char>(value >> (8 * i)));
    };
    auto put16 = [](std::ofstream& out, std::uint16_t value) {
        out.put(static_cast<char>(value));
        out.put(static_cast<char>(value >> 8));
    };
    auto path = device_root() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put32(out, 36 + data_bytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, 8000);
    put32(out, 16000);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, data_bytes);
    for (std::uint32_t i = 0; i < data_bytes; ++i) out.put(0);
}

std::size_t ServicesTest::count_trace(const std::string& line)
{
    std::size_t count = 0;
    for (const auto& text : phone().trace())
        if (text == line) ++count;
    return count;
}

}  // namespace services_test
