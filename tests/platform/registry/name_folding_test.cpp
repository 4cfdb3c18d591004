// File names and registry names must agree on which letters are the same,
// and hives written before they agreed must still load.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/kernel/case_fold.h"
#include "platform/kernel/utf.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/registry_host.h"
#include "tests/platform/files/temp_root.h"

namespace {

using namespace platform::registry;

std::string hex(char16_t c)
{
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

class NameFolding : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(load_hive_text(active_hive(), "Windows Registry Editor Version 5.00\n", "empty").ok());
        std::lock_guard lock(active_hive().mutex());
        active_hive().set_file({});
    }

    static bool file_exists(const std::u16string& name)
    {
        HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }

    static bool create_file(const std::u16string& name)
    {
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }

    // The disposition RegCreateKeyExW reports, or 0 when it fails.
    static DWORD create_key(const std::u16string& path)
    {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, &disposition) !=
            ERROR_SUCCESS)
            return 0;
        RegCloseKey(key);
        return disposition;
    }

    TempDeviceRoot root;
};

TEST_F(NameFolding, FilesAndRegistryKeysAgreeOnEveryFoldedPair)
{
    // Every letter that folds to another names, with that other letter, one
    // file and one registry key; the folded spelling finds what the first
    // made and is refused as a second.
    ASSERT_TRUE(CreateDirectoryW(u"\\fold", nullptr));
    int pairs = 0;
    for (unsigned unit = 0x41; unit <= 0xFFFF; ++unit) {
        auto letter = static_cast<char16_t>(unit);
        char16_t folded = platform::fold_case(letter);
        if (folded == letter) continue;
        ++pairs;
        SCOPED_TRACE(hex(letter) + " / " + hex(folded));
        // The number keeps apart letters that share a fold (S and ſ).
        std::u16string number = platform::from_utf8(hex(letter));
        std::u16string name = number + letter, other = number + folded;

        ASSERT_TRUE(create_file(u"\\fold\\" + name));
        EXPECT_TRUE(file_exists(u"\\fold\\" + other));
        EXPECT_FALSE(create_file(u"\\fold\\" + other));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));

        ASSERT_EQ(create_key(u"Fold\\" + name), DWORD(REG_CREATED_NEW_KEY));
        EXPECT_EQ(create_key(u"Fold\\" + other), DWORD(REG_OPENED_EXISTING_KEY));
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (u"FOLD\\" + other).c_str(), 0, 0, &key), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    EXPECT_GT(pairs, 750);
}

TEST_F(NameFolding, LettersThatFoldApartNameTwoFilesAndTwoKeys)
{
    // ß is not "ss", dotless ı is not I, and İ is not i: without a language's
    // rules these are different names, in both places alike.
    const std::u16string apart[][2] = {
        {u"stra\u00DFe", u"STRASSE"}, {u"\u0131", u"I"}, {u"\u0130", u"i"}, {u"\u212A", u"k"}};
    char16_t row = u'0';
    for (const auto& names : apart) {
        std::u16string folder = std::u16string(u"\\apart") + row++;
        SCOPED_TRACE(platform::to_utf8(names[0]));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        EXPECT_TRUE(create_file(folder + u"\\" + names[0]));
        EXPECT_TRUE(create_file(folder + u"\\" + names[1]));
        EXPECT_EQ(create_key(folder.substr(1) + u"\\" + names[0]), DWORD(REG_CREATED_NEW_KEY));
        EXPECT_EQ(create_key(folder.substr(1) + u"\\" + names[1]), DWORD(REG_CREATED_NEW_KEY));
    }
}

TEST(HiveWithNamesThatNowFoldTogether, LoadsThemAsOneKeyWithTheLaterValuesWinning)
{
    // Written when "Ź" and "ź" were two keys: the file still loads, the two
    // sections become one key as a repeated section does in a .reg file, the
    // first spelling is kept, and a value both had takes the later data.
    const char text[] = "Windows Registry Editor Version 5.00\n\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\\xC5\xB9r\xC3\xB3"
                        "d\xC5\x82o]\n"
                        "\"Shared\"=\"first\"\n\"OnlyFirst\"=dword:00000001\n\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\\xC5\xBAr\xC3\xB3"
                        "d\xC5\x82o]\n"
                        "\"shared\"=\"second\"\n\"OnlySecond\"=dword:00000002\n";
    Hive hive;
    auto loaded = load_hive_text(hive, text, "old.reg");
    ASSERT_TRUE(loaded.ok()) << loaded.failure().text();

    std::lock_guard lock(hive.mutex());
    auto software = hive.find_key(RootKey::local_machine, u"SOFTWARE");
    ASSERT_TRUE(software);
    ASSERT_EQ(software->subkeys().size(), 1u);
    const auto& [name, key] = *software->subkeys().begin();
    EXPECT_EQ(name, u"\u0179r\u00F3d\u0142o");
    ASSERT_EQ(key->values().size(), 3u);
    ASSERT_TRUE(key->find_value(u"SHARED"));
    std::vector<std::uint8_t> second;
    for (char16_t c : std::u16string_view(u"second")) second.insert(second.end(), {static_cast<std::uint8_t>(c), 0});
    second.insert(second.end(), {0, 0});
    EXPECT_EQ(key->find_value(u"SHARED")->data, second);
    EXPECT_TRUE(key->find_value(u"onlyfirst"));
    EXPECT_TRUE(key->find_value(u"onlysecond"));

    // Written back, the merged key is one section that loads the same again.
    std::string written = write_reg_text(hive);
    EXPECT_EQ(written.find("\xC5\xBAr\xC3\xB3"), std::string::npos) << written;
    Hive again;
    auto reloaded = load_hive_text(again, written, "again.reg");
    ASSERT_TRUE(reloaded.ok()) << reloaded.failure().text();
    std::lock_guard again_lock(again.mutex());
    EXPECT_EQ(write_reg_text(again), written);
}

}  // namespace
