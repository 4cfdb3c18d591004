#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include <windows.h>

#include "platform/registry/registry_host.h"

namespace {

class RegistryApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(platform::registry::load_hive_text(
            platform::registry::active_hive(), "Windows Registry Editor Version 5.00\n", "empty")
                        .ok());
        std::lock_guard lock(platform::registry::active_hive().mutex());
        platform::registry::active_hive().set_file({});
    }

    HKEY create(const WCHAR* path, HKEY root = HKEY_LOCAL_MACHINE)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }

    static void set_string(HKEY key, const WCHAR* name, std::u16string_view text)
    {
        std::u16string data(text);
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                      static_cast<DWORD>((data.size() + 1) * sizeof(WCHAR))),
            ERROR_SUCCESS);
    }
};

TEST_F(RegistryApi, QueryFollowsTheSizeRules)
{
    HKEY key = create(u"SOFTWARE\\Orvane\\Theme");
    set_string(key, u"ThemeName", u"Blue");

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"ThemeName", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 10u);  // four characters and the terminating zero

    WCHAR small[2] = {u'x', u'y'};
    size = sizeof small;
    EXPECT_EQ(
        RegQueryValueExW(key, u"ThemeName", nullptr, &type, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 10u);

    WCHAR buffer[16] = {};
    size = sizeof buffer;
    EXPECT_EQ(
        RegQueryValueExW(key, u"themename", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buffer), u"Blue");
    EXPECT_EQ(size, 10u);

    EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, u"ThemeName", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
        ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"ThemeName", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(RegistryApi, ValuesKeepTheirBytesAndType)
{
    HKEY key = create(u"Values");
    const BYTE blob[] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(RegSetValueExW(key, u"Blob", 0, 0x1234, blob, sizeof blob), ERROR_SUCCESS);
    // The default value: a null and an empty name are the same value.
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_BINARY, blob, 2), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Empty", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, u"Bad", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);

    DWORD type = 0, size = sizeof(BYTE) * 16;
    BYTE data[16] = {};
    EXPECT_EQ(RegQueryValueExW(key, u"Blob", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, 0x1234u);
    EXPECT_EQ(size, sizeof blob);
    EXPECT_EQ(std::memcmp(data, blob, sizeof blob), 0);

    size = sizeof data;
    EXPECT_EQ(RegQueryValueExW(key, u"", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 2u);

    size = 99;
    EXPECT_EQ(RegQueryValueExW(key, u"Empty", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    RegCloseKey(key);
}

TEST_F(RegistryApi, FourByteReadsIgnoreTheTypeButNotTheSize)
{
    // The framework reads colours and settings into a DWORD without looking
    // at the type: a 4-byte value of any type fits, a longer one does not.
    HKEY key = create(u"SOFTWARE\\Orvane\\Theme\\Colors");
    const BYTE four[] = {0x11, 0x22, 0x33, 0x00};
    ASSERT_EQ(RegSetValueExW(key, u"AsBinary", 0, REG_BINARY, four, 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"TooLong", 0, REG_DWORD, four, 3), ERROR_SUCCESS);
    set_string(key, u"AsText", u"abcdef");

    DWORD value = 0, size = 4;
    EXPECT_EQ(
        RegQueryValueExW(key, u"AsBinary", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x332211u);
    value = 7;
    size = 4;
    EXPECT_EQ(
        RegQueryValueExW(key, u"AsText", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_MORE_DATA);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(size, 14u);
    RegCloseKey(key);
}

TEST_F(RegistryApi, UnterminatedStringsAreTerminatedWhenThereIsRoom)
{
    HKEY key = create(u"Strings");
    const char16_t text[] = {u'a', u'b'};
    ASSERT_EQ(RegSetValueExW(key, u"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key, u"Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);  // the stored bytes, unchanged
    EXPECT_EQ(std::u16string(buffer), u"ab");
    RegCloseKey(key);
}

TEST_F(RegistryApi, KeysAreCreatedWithParentsAndFoundWithoutRegardToCase)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Volume", 0, nullptr, 0, 0, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);

    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, u"CONTROLPANEL\\volume", 0, nullptr, 0, 0, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);

    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"controlpanel", 0, 0, &parent), ERROR_SUCCESS);
    WCHAR name[32];
    DWORD count = 32;
    ASSERT_EQ(RegEnumKeyExW(parent, 0, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Volume");  // the case it was created with
    EXPECT_EQ(count, 6u);
    count = 3;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    count = 32;
    EXPECT_EQ(RegEnumKeyExW(parent, 1, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    // Other roots are separate trees.
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"ControlPanel", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"\\ControlPanel", 0, 0, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"A\\\\B", 0, 0, &key), ERROR_BAD_PATHNAME);
    RegCloseKey(parent);
}

TEST_F(RegistryApi, EnumerationAndKeyInformation)
{
    HKEY key = create(u"Info");
    set_string(key, u"Beta", u"xyz");
    const DWORD one = 1;
    RegSetValueExW(key, u"alpha", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    RegCloseKey(create(u"Info\\Sub"));

    DWORD subkeys = 0, longest_key = 0, values = 0, longest_name = 0, largest = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_key, nullptr, &values, &longest_name,
                  &largest, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 1u);
    EXPECT_EQ(longest_key, 3u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(longest_name, 5u);
    EXPECT_EQ(largest, 8u);

    WCHAR name[16];
    DWORD count = 16, type = 0, size = 0;
    ASSERT_EQ(RegEnumValueW(key, 0, name, &count, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"alpha");
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    BYTE data[2];
    count = 16;
    size = sizeof data;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &count, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    count = 16;
    EXPECT_EQ(RegEnumValueW(key, 2, name, &count, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryApi, DeletingKeysAndValues)
{
    HKEY key = create(u"Tree\\Branch\\Leaf");
    HKEY branch = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Tree\\Branch", 0, 0, &branch), ERROR_SUCCESS);
    set_string(branch, u"Name", u"v");

    EXPECT_EQ(RegDeleteValueW(branch, u"NAME"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(branch, u"Name"), ERROR_FILE_NOT_FOUND);

    // The whole subtree goes; handles still open on it report the deletion.
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"tree"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(branch, u"x", 0, REG_NONE, nullptr, 0), ERROR_KEY_DELETED);
    HKEY reopened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Tree\\Branch\\Leaf", 0, 0, &reopened), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(branch), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Tree"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryApi, BadHandlesFailCleanly)
{
    HKEY key = create(u"Handles");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    DWORD size = 0;
    HKEY out = reinterpret_cast<HKEY>(1);
    for (HKEY bad : {key, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000004u)),
             reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678u))}) {
        EXPECT_EQ(RegQueryValueExW(bad, u"x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegSetValueExW(bad, u"x", 0, REG_NONE, nullptr, 0), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegOpenKeyExW(bad, u"x", 0, 0, &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(RegFlushKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyW(bad, u"x"), ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);  // predefined keys need no closing
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"x", 0, 0, nullptr), ERROR_INVALID_PARAMETER);
    // Open handles are small numbers, never host pointers.
    HKEY opened = create(u"Small");
    EXPECT_LT(reinterpret_cast<ULONG_PTR>(opened), 0x80000000u);
    RegCloseKey(opened);
}

TEST_F(RegistryApi, NamesThatCannotBeSavedAreRefused)
{
    HKEY key = create(u"Names");
    EXPECT_EQ(RegSetValueExW(key, u"two\nlines", 0, REG_NONE, nullptr, 0), ERROR_INVALID_PARAMETER);
    const WCHAR lone_surrogate[] = {u'a', 0xD800, 0};
    EXPECT_EQ(RegSetValueExW(key, lone_surrogate, 0, REG_NONE, nullptr, 0), ERROR_INVALID_PARAMETER);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(key, u"a\rb", 0, nullptr, 0, 0, nullptr, &sub, nullptr), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExW(key, std::u16string(256, u'k').c_str(), 0, nullptr, 0, 0, nullptr, &sub, nullptr),
        ERROR_BAD_PATHNAME);
    RegCloseKey(key);
}

TEST_F(RegistryApi, ConcurrentWritersDoNotLoseValues)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (DWORD i = 0; i < 200; ++i) {
                HKEY key = nullptr;
                std::u16string path = u"Threads\\T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
                if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
                    ERROR_SUCCESS)
                    return;
                std::u16string name = u"V" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                    std::u16string(1, static_cast<char16_t>(u'A' + i / 26));
                RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
                RegCloseKey(key);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) {
        HKEY key = nullptr;
        std::u16string path = u"Threads\\T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &key), ERROR_SUCCESS);
        DWORD values = 0;
        RegQueryInfoKeyW(
            key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(values, 200u);
        RegCloseKey(key);
    }
}

}  // namespace
