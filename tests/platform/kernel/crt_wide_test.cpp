#include <gtest/gtest.h>

#include <string>

#include "platform/include/crtwide.h"

namespace {

TEST(CrtWide, CopyingAndConcatenating)
{
    WCHAR buffer[16];
    EXPECT_EQ(wcscpy(buffer, u"abc"), buffer);
    EXPECT_EQ(std::u16string(wcscat(buffer, u"de")), u"abcde");
    EXPECT_EQ(std::u16string(wcsncat(buffer, u"fghij", 2)), u"abcdefg");

    // wcsncpy pads with zeros, and adds no terminator when the source fills the count.
    for (auto& c : buffer) c = u'#';
    wcsncpy(buffer, u"xy", 5);
    EXPECT_EQ(std::u16string(buffer, 6), std::u16string(u"xy\0\0\0#", 6));
    wcsncpy(buffer, u"longer", 3);
    EXPECT_EQ(std::u16string(buffer, 4), std::u16string(u"lon\0", 4));

    EXPECT_EQ(wcslen(static_cast<const WCHAR*>(nullptr)), 0u);
    EXPECT_EQ(wcscpy(nullptr, u"x"), nullptr);
    EXPECT_EQ(std::u16string(wcscpy(buffer, nullptr)), u"");
}

TEST(CrtWide, Comparing)
{
    EXPECT_LT(wcscmp(u"abc", u"abd"), 0);
    EXPECT_GT(wcscmp(u"abc", u"ab"), 0);
    EXPECT_GT(wcscmp(u"\u4E2D", u"z"), 0);  // code units compare unsigned
    EXPECT_EQ(wcsncmp(u"abcX", u"abcY", 3), 0);
    EXPECT_EQ(_wcsicmp(u"Hello \u00C9T\u00C9", u"hello \u00E9t\u00E9"), 0);
    EXPECT_LT(_wcsicmp(u"_", u"A"), 0);  // both sides lowered: '_' < 'a'
    EXPECT_EQ(_wcsnicmp(u"PROGRAM Files", u"program fIXES", 10), 0);
    EXPECT_LT(_wcsnicmp(u"PROGRAM Files", u"program fIXES", 11), 0);
}

TEST(CrtWide, Searching)
{
    const WCHAR* path = u"\\Program Files\\Velmor\\Velmor.exe";
    EXPECT_EQ(wcschr(path, u'\\'), path);
    EXPECT_EQ(wcsrchr(path, u'\\'), path + 21);
    EXPECT_EQ(wcschr(path, u'#'), nullptr);
    EXPECT_EQ(wcschr(path, 0), path + wcslen(path));
    EXPECT_EQ(wcsstr(path, u"Velmor"), path + 15);
    EXPECT_EQ(wcsstr(path, u""), path);
    EXPECT_EQ(wcsstr(path, u"velmor"), nullptr);
    WCHAR mutable_path[] = u"a\\b";
    WCHAR* found = wcsrchr(mutable_path, u'\\');
    *found = 0;
    EXPECT_EQ(std::u16string(mutable_path), u"a");
}

TEST(CrtWide, NumberConversions)
{
    EXPECT_EQ(_wtoi(u"  -42abc"), -42);
    EXPECT_EQ(_wtoi(u"+17"), 17);
    EXPECT_EQ(_wtoi(u"abc"), 0);
    EXPECT_EQ(_wtoi(nullptr), 0);
    EXPECT_EQ(_wtoi(u"99999999999"), 2147483647);
    EXPECT_EQ(_wtol(u"-99999999999"), -2147483647 - 1);
    EXPECT_EQ(_wtol(u"-2147483648"), -2147483647 - 1);

    WCHAR* end = nullptr;
    const WCHAR* text = u"0x1Fz";
    EXPECT_EQ(wcstoul(text, &end, 16), 0x1Fu);
    EXPECT_EQ(end, text + 4);
    EXPECT_EQ(wcstoul(u"0755", nullptr, 0), 0755u);
    EXPECT_EQ(wcstoul(u"0x10", nullptr, 0), 16u);
    EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(wcstoul(u"zz", nullptr, 36), 35u * 36 + 35);
    const WCHAR* none = u"  -x";
    EXPECT_EQ(wcstoul(none, &end, 10), 0u);
    EXPECT_EQ(end, none);
    EXPECT_EQ(wcstol(u"-0x80000000", nullptr, 16), -2147483647 - 1);
}

TEST(CrtWide, CaseMapping)
{
    EXPECT_EQ(towlower(u'A'), u'a');
    EXPECT_EQ(towupper(u'z'), u'Z');
    EXPECT_EQ(towlower(u'['), u'[');
    EXPECT_EQ(towlower(u'\u00C0'), u'\u00E0');  // À
    EXPECT_EQ(towupper(u'\u00FE'), u'\u00DE');  // þ
    EXPECT_EQ(towlower(u'\u00D7'), u'\u00D7');  // × has no case
    EXPECT_EQ(towupper(u'\u00F7'), u'\u00F7');  // ÷ neither
    EXPECT_EQ(towupper(u'\u00FF'), u'\u0178');  // ÿ
    EXPECT_EQ(towlower(u'\u0178'), u'\u00FF');
    EXPECT_EQ(towupper(u'\u00DF'), u'\u00DF');  // ß stays
    EXPECT_EQ(towlower(u'\u0100'), u'\u0101');
    EXPECT_EQ(towupper(u'\u013A'), u'\u0139');  // ĺ in the odd-capital run
    EXPECT_EQ(towlower(u'\u0416'), u'\u0436');  // Ж
    EXPECT_EQ(towlower(u'\u0401'), u'\u0451');  // Ё
    EXPECT_EQ(towupper(u'\u03C9'), u'\u03A9');  // ω
    EXPECT_EQ(towupper(u'\u03C2'), u'\u03A3');  // final sigma's capital is sigma's
    EXPECT_EQ(towlower(u'\uFF21'), u'\uFF41');  // full-width A
    EXPECT_EQ(towlower(u'\u4E2D'), u'\u4E2D');
}

TEST(CrtWide, LstrFunctionsTolerateNullAndCompareLinguistically)
{
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u"abc"), 3);
    WCHAR buffer[8] = u"keep";
    EXPECT_EQ(lstrcpyW(buffer, nullptr), nullptr);
    EXPECT_EQ(std::u16string(buffer), u"keep");
    EXPECT_EQ(lstrcpyW(nullptr, u"x"), nullptr);
    EXPECT_EQ(lstrcpyW(buffer, u"new"), buffer);
    EXPECT_EQ(std::u16string(buffer), u"new");

    EXPECT_EQ(lstrcmpW(nullptr, nullptr), 0);
    EXPECT_LT(lstrcmpW(nullptr, u""), 0);
    EXPECT_GT(lstrcmpW(u"", nullptr), 0);
    EXPECT_LT(lstrcmpW(u"a", u"B"), 0);
    EXPECT_LT(lstrcmpW(u"b", u"B"), 0);
    EXPECT_GT(lstrcmpW(u"B", u"b"), 0);
    EXPECT_LT(lstrcmpW(u"A", u"b"), 0);
    EXPECT_LT(lstrcmpW(u"apple", u"Apple"), 0);
    EXPECT_EQ(lstrcmpW(u"Same", u"Same"), 0);
    EXPECT_EQ(lstrcmpiW(u"CTaskBar", u"ctaskbar"), 0);
    EXPECT_GT(lstrcmpiW(u"b", u"A"), 0);
}

}  // namespace
