// The phone's bring-up and take-down: what each stage leaves behind, what a
// failed stage undoes, and a second phone after the first.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

#include "platform/host/phone_boot.h"
#include "platform/kernel/clock.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::host::MalformedRegistry;
using platform::host::PhoneBoot;
using platform::host::PhoneBootOptions;

std::string file_text(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool accelerometer_opens()
{
    HANDLE driver = CreateFileW(u"ACC0:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (driver == INVALID_HANDLE_VALUE) return false;
    CloseHandle(driver);
    return true;
}

bool task_bar_shown() { return FindWindowW(u"CTaskBar", nullptr) != nullptr; }

void set_test_value(DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\BootTest", 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

std::optional<DWORD> test_value()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\BootTest", 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0, size = sizeof value;
    LONG read = RegQueryValueExW(key, u"Value", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return std::nullopt;
    return value;
}

// A task bar class that refuses to make its window, so the shell cannot start.
LRESULT CALLBACK refuse_creation(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) return -1;
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

class PhoneBootTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.made()); }

    PhoneBootOptions options_on(const fs::path& root)
    {
        PhoneBootOptions options;
        options.device_root = root;
        return options;
    }

    velmor_test::TempFolder folder_ {"phone-boot"};
};

TEST_F(PhoneBootTest, BringsUpAFreshPhoneTakesItDownAndBringsItUpAgain)
{
    fs::path root = folder_ / "phone";
    PhoneBootOptions options = options_on(root);
    options.language = 0x0409;
    PhoneBoot boot(options);

    auto up = boot.bring_up();
    ASSERT_TRUE(up) << up.failure().text();
    EXPECT_EQ(boot.reached(), PhoneBoot::Stage::shell);
    for (const char* folder : {"Windows", "Program Files/Velmor", "My Documents", "Temp"})
        EXPECT_TRUE(fs::is_directory(root / folder)) << folder;
    // The registry is written from the shipped defaults at once.
    EXPECT_TRUE(boot.registry().used_defaults);
    EXPECT_TRUE(boot.registry().note.empty()) << boot.registry().note;
    EXPECT_NE(file_text(root / "registry.reg").find("ControlPanel\\Volume"), std::string::npos);
    WCHAR program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    EXPECT_EQ(std::u16string(program), u"\\Program Files\\Velmor\\Velmor.exe");
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
    EXPECT_EQ(platform::clock::mode(), platform::clock::Mode::virtual_time);
    EXPECT_EQ(platform::clock::now(), 0u);
    EXPECT_EQ(platform::clock::next_stop(), std::optional<std::uint64_t>(60'000)) << "the task bar's minute";
    EXPECT_TRUE(accelerometer_opens());
    EXPECT_TRUE(task_bar_shown());

    set_test_value(7);
    boot.take_down();
    EXPECT_EQ(boot.reached(), PhoneBoot::Stage::none);
    EXPECT_FALSE(task_bar_shown());
    EXPECT_FALSE(accelerometer_opens());
    EXPECT_EQ(platform::clock::next_stop(), std::nullopt);
    EXPECT_NE(file_text(root / "registry.reg").find("BootTest"), std::string::npos) << "saved on the way down";
    boot.take_down();  // nothing left to take down

    // As each framework test does: the same phone once more, from its file.
    platform::clock::advance(5000);
    up = boot.bring_up();
    ASSERT_TRUE(up) << up.failure().text();
    EXPECT_FALSE(boot.registry().used_defaults);
    EXPECT_EQ(test_value(), std::optional<DWORD>(7));
    EXPECT_EQ(platform::clock::now(), 0u);
    EXPECT_TRUE(accelerometer_opens());
    EXPECT_TRUE(task_bar_shown());
}

TEST_F(PhoneBootTest, PartsLeftOutAreNeitherStartedNorStopped)
{
    PhoneBootOptions options = options_on(folder_.path());
    options.standard_folders = false;
    options.devices = false;
    options.shell = false;
    options.time = platform::clock::Mode::real_time;
    {
        PhoneBoot boot(options);
        auto up = boot.bring_up();
        ASSERT_TRUE(up) << up.failure().text();
        EXPECT_FALSE(fs::exists(folder_ / "Windows"));
        EXPECT_FALSE(accelerometer_opens());
        EXPECT_FALSE(task_bar_shown());
        EXPECT_EQ(platform::clock::next_stop(), std::nullopt);
        EXPECT_EQ(platform::clock::mode(), platform::clock::Mode::real_time);
        set_test_value(3);
    }
    EXPECT_NE(file_text(folder_ / "registry.reg").find("BootTest"), std::string::npos) << "the destructor saves it";
    platform::clock::reset(platform::clock::Mode::virtual_time);
}

TEST_F(PhoneBootTest, ARootThatCannotBeMadeStopsTheBringUpAndSaysWhere)
{
    std::ofstream(folder_ / "a-file") << "not a folder";
    fs::path root = folder_ / "a-file" / "phone";
    PhoneBoot boot(options_on(root));
    auto up = boot.bring_up();
    ASSERT_FALSE(up);
    EXPECT_EQ(up.failure().text(),
        "cannot use " + root.string() + " as the device root: it is not a folder that can be created");
    EXPECT_EQ(boot.reached(), PhoneBoot::Stage::none);
    EXPECT_FALSE(accelerometer_opens());
    EXPECT_FALSE(task_bar_shown());
}

TEST_F(PhoneBootTest, AMalformedRegistryIsRefusedAndLeftAsItIsOrMovedAside)
{
    const std::string malformed = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Broken\n";
    std::ofstream(folder_ / "registry.reg", std::ios::binary) << malformed;
    platform::clock::advance(1234);

    PhoneBootOptions options = options_on(folder_.path());
    options.malformed_registry = MalformedRegistry::refuse;
    PhoneBoot refusing(options);
    auto up = refusing.bring_up();
    ASSERT_FALSE(up);
    std::string why = up.failure().text();
    EXPECT_EQ(why.rfind("cannot load the phone's registry: ", 0), 0u) << why;
    EXPECT_NE(why.find((folder_ / "registry.reg").string() + ":3"), std::string::npos) << "file and line: " << why;
    EXPECT_EQ(refusing.registry().note, why.substr(why.find(": ") + 2));
    EXPECT_EQ(refusing.reached(), PhoneBoot::Stage::none);
    // Nothing after the registry came up, and the file is as it was.
    EXPECT_FALSE(accelerometer_opens());
    EXPECT_FALSE(task_bar_shown());
    EXPECT_EQ(platform::clock::now(), 1234u);
    EXPECT_EQ(file_text(folder_ / "registry.reg"), malformed);
    EXPECT_FALSE(fs::exists(folder_ / "registry.reg.bad"));
    // Nor is anything written over it later.
    set_test_value(1);
    RegFlushKey(HKEY_CURRENT_USER);
    EXPECT_EQ(file_text(folder_ / "registry.reg"), malformed);

    // The phone's own way: the file is put aside and the phone starts anew.
    PhoneBoot phone(options_on(folder_.path()));
    up = phone.bring_up();
    ASSERT_TRUE(up) << up.failure().text();
    EXPECT_EQ(phone.registry().moved_to, folder_ / "registry.reg.bad");
    EXPECT_EQ(file_text(folder_ / "registry.reg.bad"), malformed);
    EXPECT_NE(phone.registry().note.find("registry.reg:3"), std::string::npos) << phone.registry().note;
    EXPECT_TRUE(phone.registry().used_defaults);
}

TEST_F(PhoneBootTest, AMissingRegistryIsMadeOnlyWhenAsked)
{
    PhoneBootOptions options = options_on(folder_.path());
    options.registry_from_defaults_when_missing = false;
    PhoneBoot boot(options);
    auto up = boot.bring_up();
    ASSERT_FALSE(up);
    EXPECT_EQ(up.failure().text(),
        "cannot load the phone's registry: " + (folder_ / "registry.reg").string() + ": there is no registry file");
    EXPECT_FALSE(fs::exists(folder_ / "registry.reg"));
    EXPECT_EQ(boot.reached(), PhoneBoot::Stage::none);
}

TEST_F(PhoneBootTest, AShellThatFailsUndoesWhatItsCallBroughtUpAndNoMore)
{
    WNDCLASSW refusing {};
    refusing.lpfnWndProc = refuse_creation;
    refusing.lpszClassName = u"CTaskBar";

    // All at once: the drivers, the clock's stop and the registry go again.
    {
        ASSERT_NE(RegisterClassW(&refusing), 0);
        PhoneBoot boot(options_on(folder_.path()));
        auto up = boot.bring_up();
        ASSERT_FALSE(up);
        EXPECT_EQ(up.failure().text().rfind("the shell could not create its windows (error ", 0), 0u)
            << up.failure().text();
        EXPECT_EQ(boot.reached(), PhoneBoot::Stage::none);
        EXPECT_FALSE(accelerometer_opens());
        EXPECT_EQ(platform::clock::next_stop(), std::nullopt);
        std::string saved = file_text(folder_ / "registry.reg");
        set_test_value(2);
        RegFlushKey(HKEY_CURRENT_USER);
        EXPECT_EQ(file_text(folder_ / "registry.reg"), saved) << "the registry was let go";
        UnregisterClassW(u"CTaskBar", nullptr);
    }
    // A stage at a time, as the host goes: what earlier calls brought up stays.
    {
        ASSERT_NE(RegisterClassW(&refusing), 0);
        PhoneBoot boot(options_on(folder_.path()));
        auto up = boot.bring_up_to(PhoneBoot::Stage::hardware);
        ASSERT_TRUE(up) << up.failure().text();
        EXPECT_FALSE(boot.bring_up_to(PhoneBoot::Stage::shell));
        EXPECT_EQ(boot.reached(), PhoneBoot::Stage::hardware);
        EXPECT_TRUE(accelerometer_opens());
        EXPECT_EQ(platform::clock::next_stop(), std::nullopt);
        UnregisterClassW(u"CTaskBar", nullptr);
        up = boot.bring_up_to(PhoneBoot::Stage::shell);
        ASSERT_TRUE(up) << up.failure().text();
        EXPECT_TRUE(task_bar_shown());
    }
    EXPECT_FALSE(task_bar_shown());
    EXPECT_FALSE(accelerometer_opens());
}

}  // namespace
