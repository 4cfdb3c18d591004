#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <windows.h>

#include "platform/files/device_root.h"
#include "platform/kernel/utf.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/registry_host.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace platform::registry;
namespace fs = std::filesystem;

const char defaults[] = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme]\n"
                        "\"ThemeName\"=\"Default\"\n";

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& path, std::string_view text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string text_of(Hive& hive)
{
    std::lock_guard lock(hive.mutex());
    return write_reg_text(hive);
}

void set_dword(Hive& hive, std::u16string_view path, std::u16string_view name, std::uint32_t number)
{
    std::lock_guard lock(hive.mutex());
    auto key = hive.root(RootKey::local_machine);
    std::vector<std::u16string_view> components;
    split_key_path(path, components);
    bool created = false;
    for (auto component : components) key = key->create_subkey(component, created);
    key->set_value(name,
        {4,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}});
    hive.mark_dirty();
}

// The text a failed step gives, or "" when it succeeded.
template <class T> std::string failure_text(const platform::Result<T>& result)
{
    return result ? std::string() : result.failure().text();
}

class HiveFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.made());
        folder = temp.path();
        file = folder / "registry.reg";
    }

    velmor_test::TempFolder temp {"velmor-hive"};
    fs::path folder, file;
};

TEST_F(HiveFile, AMissingFileStartsFromTheDefaultsAndIsCreated)
{
    Hive hive;
    auto loaded = load_hive_file(hive, file, defaults, "defaults", MalformedFile::move_aside);
    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    EXPECT_TRUE(loaded->used_defaults);
    EXPECT_FALSE(loaded->setback) << loaded->setback->text();
    ASSERT_TRUE(fs::exists(file));
    EXPECT_FALSE(hive.dirty());
    EXPECT_NE(read_file(file).find("\"ThemeName\"=\"Default\""), std::string::npos);
}

TEST_F(HiveFile, ChangesSurviveARestart)
{
    {
        Hive hive;
        ASSERT_TRUE(load_hive_file(hive, file, defaults, "defaults", MalformedFile::move_aside).ok());
        set_dword(hive, u"SOFTWARE\\Orvane\\Debug", u"OVFC", 0x44);
        ASSERT_EQ(failure_text(flush_hive(hive)), "");
        set_dword(hive, u"Unsaved", u"x", 1);  // never flushed: must not appear
    }
    Hive restarted;
    auto loaded = load_hive_file(restarted, file, "", "defaults", MalformedFile::move_aside);
    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    EXPECT_FALSE(loaded->used_defaults);
    EXPECT_FALSE(loaded->setback);
    auto key = restarted.find_key(RootKey::local_machine, u"Software\\Orvane\\Debug");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->find_value(u"ovfc")->data, (std::vector<std::uint8_t> {0x44, 0, 0, 0}));
    EXPECT_TRUE(restarted.find_key(RootKey::local_machine, u"SOFTWARE\\Orvane\\Theme"));
    EXPECT_FALSE(restarted.find_key(RootKey::local_machine, u"Unsaved"));
}

TEST_F(HiveFile, TheCallsSaveThroughRegFlushKeyAndShutdown)
{
    testing::internal::CaptureStderr();
    ASSERT_TRUE(load(file, defaults, "defaults").ok());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Orvane\\Theme", 0, 0, &key), ERROR_SUCCESS);
    const WCHAR name[] = u"Blue";
    ASSERT_EQ(
        RegSetValueExW(key, u"ThemeName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name), ERROR_SUCCESS);
    EXPECT_EQ(read_file(file).find("Blue"), std::string::npos);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_NE(read_file(file).find("\"ThemeName\"=\"Blue\""), std::string::npos);

    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key, u"Later", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    RegCloseKey(key);
    shutdown();
    EXPECT_NE(read_file(file).find("\"Later\"=dword:00000001"), std::string::npos);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Reloading replaces the keys: handles into the old ones report deletion.
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Orvane\\Theme", 0, 0, &key), ERROR_SUCCESS);
    ASSERT_TRUE(load(file, defaults, "defaults").ok());
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Later", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    RegCloseKey(key);
    shutdown();
}

TEST_F(HiveFile, AMalformedFileIsMovedAsideWithOneErrorLine)
{
    const std::string broken = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\nnot a value\n";
    write_file(file, broken);
    testing::internal::CaptureStderr();
    auto loaded = load(file, defaults, "defaults");
    std::string printed = testing::internal::GetCapturedStderr();
    shutdown();

    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    EXPECT_TRUE(loaded->used_defaults);
    EXPECT_EQ(loaded->moved_to, fs::path(file.string() + ".bad"));
    EXPECT_EQ(read_file(loaded->moved_to), broken);
    ASSERT_TRUE(loaded->setback);
    EXPECT_EQ(loaded->setback->where, file.string() + ":4");
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_EQ(printed, "velmor: " + loaded->setback->text() + "\n");
    EXPECT_EQ(printed.rfind("velmor: " + file.string() + ":4: expected", 0), 0u) << printed;
    EXPECT_NE(printed.find("; moved to " + file.string() + ".bad, starting from defaults"), std::string::npos)
        << printed;
    // The phone starts from the defaults, saved in place of the broken file.
    EXPECT_NE(read_file(file).find("ThemeName"), std::string::npos);

    // A second broken file does not replace the first one kept aside.
    write_file(file, "garbage");
    Hive hive;
    loaded = load_hive_file(hive, file, defaults, "defaults", MalformedFile::move_aside);
    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    EXPECT_EQ(loaded->moved_to, fs::path(file.string() + ".bad.1"));
    EXPECT_EQ(read_file(file.string() + ".bad"), broken);
    EXPECT_EQ(read_file(file.string() + ".bad.1"), "garbage");
}

TEST_F(HiveFile, AMalformedFileThatCannotBeSetAsideIsNeverOverwritten)
{
    const std::string broken = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\nnot a value\n";
    write_file(file, broken);
    // Every name the file could be moved to is taken.
    write_file(file.string() + ".bad", "older");
    for (int i = 1; i < 1000; ++i) write_file(file.string() + ".bad." + std::to_string(i), "older");

    Hive hive;
    auto loaded = load_hive_file(hive, file, defaults, "defaults", MalformedFile::move_aside);
    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    EXPECT_TRUE(loaded->used_defaults);
    EXPECT_TRUE(loaded->moved_to.empty());
    ASSERT_TRUE(loaded->setback);
    EXPECT_NE(loaded->setback->text().find("cannot move it aside (too many older .bad files)"), std::string::npos)
        << loaded->setback->text();
    set_dword(hive, u"SOFTWARE\\Changed", u"v", 1);
    EXPECT_NE(failure_text(flush_hive(hive)).find("memory only"), std::string::npos);
    EXPECT_EQ(read_file(file), broken);
}

TEST_F(HiveFile, LoadingRemovesOnlyStaleTemporariesOfKilledWriters)
{
    fs::path stale = folder / "registry.reg.tmp.aB3xYz";
    fs::path fresh = folder / "registry.reg.tmp.Qw9rT1";
    fs::path other = folder / "other.reg.tmp.aB3xYz";
    for (const auto& path : {stale, fresh, other}) write_file(path, "partial");
    auto old_time = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    fs::last_write_time(stale, old_time);
    fs::last_write_time(other, old_time);

    Hive hive;
    ASSERT_TRUE(load_hive_file(hive, file, defaults, "defaults", MalformedFile::move_aside).ok());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));  // may be a write in progress elsewhere
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(HiveFile, ToolsRefuseAMalformedFileAndLeaveItAlone)
{
    write_file(file, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:xyz\n");
    Hive hive;
    set_dword(hive, u"Kept", u"v", 5);
    auto loaded = load_hive_file(hive, file, defaults, "defaults", MalformedFile::refuse);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.failure().where, file.string() + ":3");
    EXPECT_EQ(loaded.failure().text().rfind(file.string() + ":3: expected 1 to 8 hex digits", 0), 0u)
        << loaded.failure().text();
    EXPECT_TRUE(hive.find_key(RootKey::local_machine, u"Kept"));
    EXPECT_FALSE(fs::exists(file.string() + ".bad"));
    EXPECT_NE(read_file(file).find("xyz"), std::string::npos);
}

TEST_F(HiveFile, AFailedWriteKeepsTheOldFile)
{
    Hive hive;
    hive.set_file(folder / "missing-folder" / "registry.reg");
    set_dword(hive, u"A", u"x", 1);
    auto saved = flush_hive(hive);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.failure().where, (folder / "missing-folder").string());
    EXPECT_NE(saved.failure().text().find("missing-folder"), std::string::npos) << saved.failure().text();
    EXPECT_TRUE(hive.dirty());

    auto parsed = load_hive_text(hive, "Windows Registry Editor Version 5.00\n[HKEY_BAD]\n", "my.reg");
    ASSERT_FALSE(parsed.ok());
    EXPECT_EQ(parsed.failure().text().rfind("my.reg:2: unknown root key", 0), 0u) << parsed.failure().text();
}

TEST_F(HiveFile, AKillDuringAFlushLeavesTheOldOrTheNewFile)
{
    // Two versions of a large hive; a child flushes them alternately and is
    // killed at random moments.
    Hive first, second;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        std::u16string name = u"Value" + platform::from_utf8(std::to_string(i));
        set_dword(first, u"Big\\Tree", name, i);
        set_dword(second, u"Big\\Tree", name, i * 7 + 1);
    }
    std::string first_text = text_of(first), second_text = text_of(second);
    first.set_file(file);
    ASSERT_EQ(failure_text(flush_hive(first)), "");

    std::mt19937 random(12345);
    for (int round = 0; round < 30; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Hive* hives[2] = {&first, &second};
            second.set_file(file);
            for (int i = 0;; ++i) {
                hives[i % 2]->mark_dirty();
                (void)flush_hive(*hives[i % 2]);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        std::string text = read_file(file);
        ASSERT_TRUE(text == first_text || text == second_text) << "round " << round << ": " << text.size() << " bytes";
    }
}

std::optional<std::uint32_t> dword_of(Hive& hive, std::u16string_view path, std::u16string_view name)
{
    std::lock_guard lock(hive.mutex());
    auto key = hive.find_key(RootKey::local_machine, path);
    const RegistryValue* value = key ? key->find_value(name) : nullptr;
    if (!value || value->data.size() != 4) return std::nullopt;
    return value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) | (std::uint32_t(value->data[3]) << 24);
}

TEST_F(HiveFile, AFlushAppliesItsChangesToWhatAnotherWriterSavedMeanwhile)
{
    Hive phone, tool;
    ASSERT_TRUE(load_hive_file(phone, file, defaults, "defaults", MalformedFile::move_aside).ok());
    set_dword(phone, u"SOFTWARE\\Shared", u"kept", 7);
    set_dword(phone, u"SOFTWARE\\Shared", u"dropped", 8);
    ASSERT_EQ(failure_text(flush_hive(phone)), "");
    std::shared_ptr<RegistryKey> open_key = phone.find_key(RootKey::local_machine, u"SOFTWARE\\Shared");

    // Another writer loads the saved hive, changes it and saves it.
    ASSERT_TRUE(load_hive_file(tool, file, defaults, "defaults", MalformedFile::refuse).ok());
    set_dword(tool, u"SOFTWARE\\Tool", u"t", 1);
    set_dword(tool, u"SOFTWARE\\Shared", u"kept", 70);
    {
        std::lock_guard lock(tool.mutex());
        tool.find_key(RootKey::local_machine, u"SOFTWARE\\Shared")->delete_value(u"dropped");
        tool.mark_dirty();
    }
    ASSERT_EQ(failure_text(flush_hive(tool)), "");

    // The phone, still holding what it loaded, changes something else.
    set_dword(phone, u"SOFTWARE\\Phone", u"p", 2);
    ASSERT_EQ(failure_text(flush_hive(phone)), "");
    Hive saved;
    ASSERT_TRUE(load_hive_file(saved, file, "", "defaults", MalformedFile::refuse).ok());
    for (Hive* hive : {&saved, &phone}) {
        EXPECT_EQ(dword_of(*hive, u"SOFTWARE\\Tool", u"t"), 1u);
        EXPECT_EQ(dword_of(*hive, u"SOFTWARE\\Phone", u"p"), 2u);
        EXPECT_EQ(dword_of(*hive, u"SOFTWARE\\Shared", u"kept"), 70u);
        EXPECT_EQ(dword_of(*hive, u"SOFTWARE\\Shared", u"dropped"), std::nullopt);
    }
    // Keys both writers kept are the same objects, so open handles stay valid.
    EXPECT_FALSE(open_key->deleted());
    EXPECT_EQ(open_key, phone.find_key(RootKey::local_machine, u"SOFTWARE\\Shared"));

    // The same value changed by both: the later flush wins.
    set_dword(tool, u"SOFTWARE\\Shared", u"kept", 71);
    ASSERT_EQ(failure_text(flush_hive(tool)), "");
    set_dword(phone, u"SOFTWARE\\Shared", u"kept", 72);
    ASSERT_EQ(failure_text(flush_hive(phone)), "");
    ASSERT_TRUE(load_hive_file(saved, file, "", "defaults", MalformedFile::refuse).ok());
    EXPECT_EQ(dword_of(saved, u"SOFTWARE\\Shared", u"kept"), 72u);

    // A key the other writer deleted stays deleted, handles into it too.
    {
        std::lock_guard lock(tool.mutex());
        tool.find_key(RootKey::local_machine, u"SOFTWARE")->delete_subkey(u"Shared");
        tool.mark_dirty();
    }
    ASSERT_EQ(failure_text(flush_hive(tool)), "");
    set_dword(phone, u"SOFTWARE\\Phone", u"p", 3);
    ASSERT_EQ(failure_text(flush_hive(phone)), "");
    EXPECT_TRUE(open_key->deleted());
    ASSERT_TRUE(load_hive_file(saved, file, "", "defaults", MalformedFile::refuse).ok());
    EXPECT_FALSE(saved.find_key(RootKey::local_machine, u"SOFTWARE\\Shared"));
    EXPECT_EQ(dword_of(saved, u"SOFTWARE\\Phone", u"p"), 3u);
}

TEST_F(HiveFile, AFlushRefusesToMergeIntoAFileAnotherWriterLeftMalformed)
{
    Hive phone;
    ASSERT_TRUE(load_hive_file(phone, file, defaults, "defaults", MalformedFile::move_aside).ok());
    const std::string broken = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=oops\n";
    write_file(file, broken);
    set_dword(phone, u"SOFTWARE\\Phone", u"p", 2);
    auto saved = flush_hive(phone);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.failure().where, file.string() + ":3");
    EXPECT_NE(saved.failure().text().find("changed by another program"), std::string::npos) << saved.failure().text();
    EXPECT_EQ(read_file(file), broken);
    EXPECT_TRUE(phone.dirty());
}

TEST_F(HiveFile, ARegistryFileLinkedOutOfTheDeviceRootIsNamedAndNeverSaved)
{
    velmor_test::TempFolder elsewhere_folder("velmor-elsewhere");
    ASSERT_TRUE(elsewhere_folder.made());
    const fs::path& elsewhere = elsewhere_folder.path();
    fs::create_symlink(elsewhere / "registry.reg", file);
    ASSERT_TRUE(platform::files::set_device_root(folder));

    testing::internal::CaptureStderr();
    auto loaded = load_device_registry();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Saved", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_NE(RegFlushKey(key), ERROR_SUCCESS);
    RegCloseKey(key);
    shutdown();
    std::string printed = testing::internal::GetCapturedStderr();

    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    EXPECT_TRUE(loaded->used_defaults);
    ASSERT_TRUE(loaded->setback);
    std::string setback = loaded->setback->text();
    EXPECT_EQ(setback.find("no device root"), std::string::npos) << setback;
    EXPECT_NE(setback.find((elsewhere / "registry.reg").string()), std::string::npos) << setback;
    EXPECT_NE(setback.find("outside the device root"), std::string::npos) << setback;
    EXPECT_NE(printed.find("velmor: " + setback + "\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("not saved"), std::string::npos) << printed;
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST(ShippedDefaults, HoldWhatThePhoneReads)
{
    Hive hive;
    auto loaded = load_hive_text(hive, shipped_defaults(), "shipped");
    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();
    auto dword = [&hive](RootKey root, std::u16string_view path, std::u16string_view name) {
        auto key = hive.find_key(root, path);
        const RegistryValue* value = key ? key->find_value(name) : nullptr;
        return value && value->type == 4 && value->data.size() == 4 ? static_cast<int>(value->data[0]) : -1;
    };
    EXPECT_EQ(dword(RootKey::current_user, u"ControlPanel\\Volume", u"Silence"), 0);
    EXPECT_EQ(dword(RootKey::current_user, u"ControlPanel\\Volume", u"Key"), 1);
    EXPECT_EQ(dword(RootKey::local_machine, u"SOFTWARE\\Orvane\\Debug", u"OVFC"), 0);
    auto theme = hive.find_key(RootKey::local_machine, u"SOFTWARE\\Orvane\\Theme");
    ASSERT_TRUE(theme);
    ASSERT_TRUE(theme->find_value(u"FontName"));
    std::vector<std::uint8_t> font;
    for (char16_t c : std::u16string_view(u"WenQuanYi Micro Hei")) {
        font.push_back(static_cast<std::uint8_t>(c));
        font.push_back(0);
    }
    font.insert(font.end(), {0, 0});
    EXPECT_EQ(theme->find_value(u"FontName")->data, font);
    EXPECT_EQ(theme->find_value(u"ThemeName")->type, 1u);
}

}  // namespace
