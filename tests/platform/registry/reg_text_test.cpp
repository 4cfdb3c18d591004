#include <gtest/gtest.h>

#include "platform/registry/reg_text.h"

namespace {

using namespace platform::registry;
using namespace std::literals;

// Parses text as the file "test.reg" and applies what parsed.
platform::Result<void> parse_into(Hive& hive, std::string_view text)
{
    auto script = parse_reg_text(text, "test.reg");
    if (!script) return script.failure();
    apply_reg_script(*script, hive);
    return {};
}

const RegistryValue* value_at(Hive& hive, RootKey root, std::u16string_view path, std::u16string_view name)
{
    auto key = hive.find_key(root, path);
    return key ? key->find_value(name) : nullptr;
}

std::vector<std::uint8_t> utf16le(std::u16string_view text)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::string canonical(Hive& hive)
{
    std::lock_guard lock(hive.mutex());
    return write_reg_text(hive);
}

TEST(RegText, ReadsEveryKindOfValue)
{
    Hive hive;
    auto parsed = parse_into(hive,
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme]\r\n"
        "@=\"default\"\r\n"
        "\"ThemeName\"=\"Say \\\"hi\\\" C:\\\\x\"\r\n"
        "\"Mask\"=dword:0000abcd\r\n"
        "  \"Short\" = dword:7\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  ff\r\n"
        "\"Path\"=hex(2):25,00,41,00,00,00\r\n"
        "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Odd\"=hex(1234abcd):\r\n"
        "\"Chinese\"=\"剃须刀\" ; trailing comment\r\n");
    ASSERT_TRUE(parsed.ok()) << parsed.failure().text();
    const auto root = RootKey::local_machine;
    const std::u16string theme = u"software\\orvane\\theme";
    EXPECT_EQ(value_at(hive, root, theme, u"")->data, utf16le(u"default"));
    EXPECT_EQ(value_at(hive, root, theme, u"ThemeName")->data, utf16le(u"Say \"hi\" C:\\x"));
    EXPECT_EQ(value_at(hive, root, theme, u"Mask")->type, 4u);
    EXPECT_EQ(value_at(hive, root, theme, u"Mask")->data, (std::vector<std::uint8_t> {0xcd, 0xab, 0, 0}));
    EXPECT_EQ(value_at(hive, root, theme, u"Short")->data, (std::vector<std::uint8_t> {7, 0, 0, 0}));
    EXPECT_EQ(value_at(hive, root, theme, u"Blob")->type, 3u);
    EXPECT_EQ(value_at(hive, root, theme, u"Blob")->data, (std::vector<std::uint8_t> {1, 2, 0xff}));
    EXPECT_EQ(value_at(hive, root, theme, u"Path")->type, 2u);
    EXPECT_EQ(value_at(hive, root, theme, u"List")->type, 7u);
    EXPECT_EQ(value_at(hive, root, theme, u"List")->data.size(), 10u);
    EXPECT_EQ(value_at(hive, root, theme, u"Odd")->type, 0x1234abcdu);
    EXPECT_TRUE(value_at(hive, root, theme, u"Odd")->data.empty());
    EXPECT_EQ(value_at(hive, root, theme, u"Chinese")->data, utf16le(u"剃须刀"));
}

TEST(RegText, DeletesValuesAndKeys)
{
    Hive hive;
    ASSERT_TRUE(parse_into(hive,
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=dword:1\n\"y\"=dword:2\n"
        "[HKEY_CURRENT_USER\\A]\n\"keep\"=dword:3\n"));
    ASSERT_TRUE(parse_into(hive,
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=-\n"
        "[-HKEY_CURRENT_USER\\A\\B]\n\"ignored\"=dword:9\n"
        "[-HKEY_CURRENT_USER\\Never\\There]\n"));
    EXPECT_FALSE(hive.find_key(RootKey::current_user, u"A\\B"));
    EXPECT_TRUE(value_at(hive, RootKey::current_user, u"A", u"keep"));
    EXPECT_FALSE(value_at(hive, RootKey::current_user, u"A", u"ignored"));
}

TEST(RegText, AcceptsByteOrderMarksAndUtf16)
{
    std::string body = "Windows Registry Editor Version 5.00\n[HKEY_USERS\\Ü]\n\"名\"=\"值\"\n";
    Hive with_bom;
    ASSERT_TRUE(parse_into(with_bom, "\xEF\xBB\xBF" + body));

    std::u16string wide = u"Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\Ü]\r\n\"名\"=\"值\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    Hive from_utf16;
    ASSERT_TRUE(parse_into(from_utf16, bytes));
    EXPECT_TRUE(same_content(with_bom, from_utf16));
    EXPECT_EQ(value_at(from_utf16, RootKey::users, u"ü", u"名")->data, utf16le(u"值"));
}

TEST(RegText, MalformedInputNamesTheLine)
{
    struct Case {
        std::string_view text;
        std::size_t line;
        const char* words;
    };
    const Case cases[] = {
        {"", 0, "expected \"Windows Registry Editor Version 5.00\""},
        {"REGEDIT4\n", 1, "expected \"Windows Registry Editor"},
        {"Windows Registry Editor Version 5.00\n\"x\"=dword:1\n", 2, "before the first [key]"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\nname=1\n", 3,
            "expected [key] or \"name\"=value"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\n", 2, "\"]\""},
        {"Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\A]\n", 2, "unknown root key"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 2, "bad key name"},
        {"Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE]\n", 2, "root key cannot be deleted"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:123456789\n", 3, "1 to 8 hex"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"open\n", 3, "closing quote"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"C:\\Windows\"\n", 3, "unknown escape"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"a\" b\n", 3, "unexpected text"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\\\n 02,zz\n", 4, "hex byte"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\\", 3, "file ends"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex(7:00\n", 3, "hex(type)"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=word:1\n", 3, "expected a value"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"\n", 3, "expected \"name\"=value"},
        {"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\\xFF]\n", 3, "invalid UTF-8"},
        {"W\0indows"sv, 1, "NUL"},
    };
    for (const Case& c : cases) {
        Hive hive;
        auto parsed = parse_into(hive, c.text);
        ASSERT_FALSE(parsed.ok()) << c.text;
        const platform::Failure& failure = parsed.failure();
        EXPECT_EQ(failure.where, c.line ? "test.reg:" + std::to_string(c.line) : "test.reg") << c.text;
        EXPECT_NE(failure.message.find(c.words), std::string::npos) << c.text << " -> " << failure.text();
    }
}

TEST(RegText, AnErrorAnywhereChangesNothing)
{
    Hive hive;
    auto parsed = parse_into(hive,
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:1\n"
        "[HKEY_LOCAL_MACHINE\\B]\n\"y\"=bad\n");
    ASSERT_FALSE(parsed.ok());
    EXPECT_EQ(parsed.failure().where, "test.reg:5");
    EXPECT_FALSE(hive.find_key(RootKey::local_machine, u"A"));
}

TEST(RegText, WritesCanonicalTextThatReadsBack)
{
    Hive hive;
    {
        std::lock_guard lock(hive.mutex());
        bool created = false;
        auto key = hive.root(RootKey::local_machine)->create_subkey(u"Zeta", created);
        auto alpha = hive.root(RootKey::local_machine)->create_subkey(u"alpha", created);
        alpha->create_subkey(u"Empty", created);
        key->set_value(u"", {1, utf16le(u"quote \" and \\ backslash")});
        key->set_value(u"b", {4, {1, 0, 0, 0}});
        key->set_value(u"A", {4, {1, 2, 3}});  // not 4 bytes: must stay hex
        key->set_value(u"multi", {7, utf16le(u"x")});
        key->set_value(u"newline", {1, utf16le(u"two\nlines")});
        key->set_value(u"embedded zero", {1, {0x61, 0, 0, 0, 0x62, 0, 0, 0}});
        key->set_value(u"unterminated", {1, {0x61, 0}});
        key->set_value(u"odd", {1, {0x61}});
        key->set_value(u"long", {3, std::vector<std::uint8_t>(100, 0xab)});
        key->set_value(u"emoji 😀", {1, utf16le(u"😀")});
        hive.root(RootKey::current_user)->set_value(u"rootvalue", {0, {}});
        auto fleeting = hive.root(RootKey::users)->create_subkey(u"Fleeting", created);
        fleeting->set_volatile(true);
    }
    std::string text = canonical(hive);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER]\n\"rootvalue\"=hex(0):\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@=\"quote \\\" and \\\\ backslash\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"b\"=dword:00000001"), std::string::npos);
    EXPECT_NE(text.find("\"A\"=hex(4):01,02,03"), std::string::npos);
    EXPECT_NE(text.find("\"newline\"=hex(1):"), std::string::npos);
    EXPECT_EQ(text.find("Fleeting"), std::string::npos);
    EXPECT_LT(text.find("[HKEY_LOCAL_MACHINE\\alpha]"), text.find("[HKEY_LOCAL_MACHINE\\alpha\\Empty]"));
    EXPECT_LT(text.find("[HKEY_LOCAL_MACHINE\\alpha\\Empty]"), text.find("[HKEY_LOCAL_MACHINE\\Zeta]"));
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u) << "line too long: " << text.substr(start, end - start);

    Hive copy;
    ASSERT_TRUE(parse_into(copy, text));
    EXPECT_TRUE(same_content(hive, copy));
    EXPECT_EQ(canonical(copy), text);
}

}  // namespace
