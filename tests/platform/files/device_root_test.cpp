#include "platform/files/device_root.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/files/case_fold.h"
#include "platform/include/winerror.h"
#include "tests/platform/files/temp_root.h"

namespace fs = std::filesystem;
using platform::files::map_path;
using platform::files::PathError;

namespace {

class DeviceRootTest : public ::testing::Test {
protected:
    TempDeviceRoot root;
};

TEST_F(DeviceRootTest, MatchesExistingNamesIgnoringCaseAndKeepsMissingOnes)
{
    fs::create_directories(root.path() / "Program Files" / "Velmor");
    std::ofstream(root.path() / "Program Files" / "Velmor" / "Velmor.exe") << "x";

    EXPECT_EQ(
        map_path(u"\\PROGRAM FILES\\velmor\\VELMOR.EXE"), root.path() / "Program Files" / "Velmor" / "Velmor.exe");
    // Relative to "\", forward slashes, "." and ".." that stay inside.
    EXPECT_EQ(map_path(u"program files/./x/../Velmor"), root.path() / "Program Files" / "Velmor");
    // Missing components keep the caller's spelling, after the matched ones.
    EXPECT_EQ(map_path(u"\\program files\\New Dir\\File.TXT"), root.path() / "Program Files" / "New Dir" / "File.TXT");
    EXPECT_EQ(map_path(u"\\"), root.path());
    EXPECT_EQ(map_path(u"\\Windows\\\\a.wav"), root.path() / "Windows" / "a.wav");
}

TEST_F(DeviceRootTest, PrefersTheExactSpellingWhenTwoEntriesDifferOnlyInCase)
{
    fs::create_directories(root.path() / "data");
    fs::create_directories(root.path() / "DATA");
    EXPECT_EQ(map_path(u"\\DATA"), root.path() / "DATA");
    EXPECT_EQ(map_path(u"\\data"), root.path() / "data");
    // Neither spelling: the first in name order, whatever the host's order.
    EXPECT_EQ(map_path(u"\\Data"), root.path() / "DATA");
}

TEST_F(DeviceRootTest, MatchesNonAsciiNamesIgnoringCase)
{
    fs::create_directories(root.path() / "Ärger" / "Привет");
    EXPECT_EQ(map_path(u"\\äRGER\\пРИВЕТ"), root.path() / "Ärger" / "Привет");
    EXPECT_TRUE(platform::files::equal_ignoring_case(u"ＡＢＣ", u"ａｂｃ"));
    EXPECT_TRUE(platform::files::equal_ignoring_case(u"ĀŁŹ", u"āłź"));
    EXPECT_FALSE(platform::files::equal_ignoring_case(u"中文", u"中午"));
}

TEST_F(DeviceRootTest, RefusesPathsThatLeaveTheRoot)
{
    PathError why = PathError::none;
    EXPECT_EQ(map_path(u"\\..\\..\\etc\\passwd", why), std::nullopt);
    EXPECT_EQ(why, PathError::outside_root);
    EXPECT_EQ(map_path(u"a\\..\\..\\x", why), std::nullopt);
    EXPECT_EQ(why, PathError::outside_root);

    // A link inside the root that points outside it, used directly or as a
    // folder on the way.
    fs::create_directory_symlink("/etc", root.path() / "etc_link");
    EXPECT_EQ(map_path(u"\\etc_link", why), std::nullopt);
    EXPECT_EQ(why, PathError::outside_root);
    EXPECT_EQ(map_path(u"\\ETC_LINK\\passwd", why), std::nullopt);
    EXPECT_EQ(why, PathError::outside_root);
    EXPECT_EQ(map_path(u"\\etc_link\\no such file", why), std::nullopt);

    // A link that stays inside is fine; the path is where it leads.
    fs::create_directories(root.path() / "real");
    fs::create_directory_symlink(root.path() / "real", root.path() / "inside_link");
    EXPECT_EQ(map_path(u"\\inside_link\\f"), root.path() / "real" / "f");

    // The runtime folder is not part of the phone's file system.
    fs::create_directories(platform::files::runtime_folder());
    EXPECT_EQ(map_path(u"\\.velmor-runtime\\mutex", why), std::nullopt);
    EXPECT_EQ(map_path(u"\\.VELMOR-RUNTIME", why), std::nullopt);
    EXPECT_EQ(map_path(u"\\x\\..\\.velmor-runtime", why), std::nullopt);
    EXPECT_EQ(why, PathError::outside_root);
}

TEST_F(DeviceRootTest, RefusesMalformedAndHostPaths)
{
    PathError why = PathError::none;
    for (std::u16string_view bad : {u"/etc/passwd", u"C:\\x", u"\\\\server\\share\\x", u"//server/x", u"a*b", u"a?",
             u"\\a\\b|c", u"\\a\"b", u"<x>", u""}) {
        EXPECT_EQ(map_path(bad, why), std::nullopt) << platform::to_utf8(bad);
        EXPECT_EQ(why, PathError::invalid_name) << platform::to_utf8(bad);
    }
    std::u16string with_nul = u"\\abc";
    with_nul += u'\0';
    with_nul += u"def";
    EXPECT_EQ(map_path(with_nul, why), std::nullopt);
    EXPECT_EQ(why, PathError::invalid_name);

    // Long names in folders of ordinary length; the host limits a single name.
    std::u16string longest;
    while (longest.size() + 50 <= MAX_PATH - 1) longest += u"\\" + std::u16string(49, u'a');
    longest += std::u16string(MAX_PATH - 1 - longest.size(), u'b');
    ASSERT_EQ(longest.size(), std::size_t(MAX_PATH - 1));
    EXPECT_NE(map_path(longest), std::nullopt);
    EXPECT_EQ(map_path(longest + u"a", why), std::nullopt);
    EXPECT_EQ(why, PathError::too_long);
    EXPECT_EQ(platform::files::error_code_of(why), DWORD(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(DeviceRootTest, CePathOfIsTheInverseForPathsInsideTheRoot)
{
    fs::create_directories(root.path() / "Program Files" / "Velmor");
    EXPECT_EQ(platform::files::ce_path_of(root.path() / "Program Files" / "Velmor" / "Velmor.exe"),
        u"\\Program Files\\Velmor\\Velmor.exe");
    EXPECT_EQ(platform::files::ce_path_of(root.path()), u"\\");
    EXPECT_EQ(platform::files::ce_path_of("/etc/passwd"), std::nullopt);
    EXPECT_EQ(platform::files::ce_path_of(root.path() / ".." / "elsewhere"), std::nullopt);
    EXPECT_EQ(platform::files::ce_path_of(platform::files::runtime_folder() / "mutex"), std::nullopt);
}

TEST(DeviceRootSetup, SetDeviceRootRefusesAFile)
{
    TempDeviceRoot root;
    std::ofstream(root.path() / "plain") << "x";
    EXPECT_FALSE(platform::files::set_device_root(root.path() / "plain"));
    EXPECT_EQ(platform::files::device_root(), root.path());
}

}  // namespace
