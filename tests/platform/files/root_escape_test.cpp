// Links inside the device root, names the host cannot hold apart, and the
// calls that create or open: nothing may land outside the root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/files/device_root.h"
#include "platform/include/crtfile.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "tests/platform/files/temp_root.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// A folder beside the device root that links inside the root lead to.
class Outside {
public:
    Outside()
    {
        if (!folder_.made()) ADD_FAILURE() << "cannot create a temporary folder";
    }
    const fs::path& path() const { return folder_.path(); }
    bool empty() const { return fs::is_empty(folder_.path()); }

private:
    velmor_test::TempFolder folder_ {"velmor-outside"};
};

class RootEscapeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Dangling links: the targets do not exist yet.
        fs::create_symlink(outside.path() / "new.txt", root.path() / "out");
        fs::create_symlink("../" + outside.path().filename().string() + "/climb.txt", root.path() / "climb");
        fs::create_symlink("out", root.path() / "chain");
        fs::create_directory_symlink(outside.path(), root.path() / "outdir");
        fs::create_symlink("loop", root.path() / "loop");
        // Links that stay inside, one of them dangling.
        fs::create_directories(root.path() / "real");
        fs::create_directory_symlink(root.path() / "real", root.path() / "inside");
        fs::create_symlink("real/made.txt", root.path() / "pending");
    }

    HANDLE create(LPCWSTR name, DWORD disposition)
    {
        return CreateFileW(name, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    TempDeviceRoot root;
    Outside outside;
};

TEST_F(RootEscapeTest, DanglingLinksLeadingOutCreateNothingOutside)
{
    for (const char16_t* name : {u"\\out", u"\\OUT", u"\\climb", u"\\chain", u"\\outdir\\x.txt"}) {
        SCOPED_TRACE(std::string(name, name + std::char_traits<char16_t>::length(name)));
        errno = 0;
        EXPECT_EQ(_wfopen(name, u"w"), nullptr);
        EXPECT_EQ(errno, EACCES);
        EXPECT_EQ(_wfopen(name, u"a+"), nullptr);
        for (DWORD disposition : {CREATE_NEW, CREATE_ALWAYS, OPEN_ALWAYS}) {
            EXPECT_EQ(create(name, disposition), INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        }
        EXPECT_FALSE(CreateDirectoryW(name, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    }
    std::ofstream(root.path() / "real" / "source.txt") << "data";
    EXPECT_FALSE(CopyFileW(u"\\real\\source.txt", u"\\out", FALSE));
    EXPECT_FALSE(CopyFileW(u"\\real\\source.txt", u"\\outdir\\copy.txt", FALSE));
    EXPECT_FALSE(MoveFileW(u"\\real\\source.txt", u"\\outdir\\moved.txt"));
    EXPECT_TRUE(outside.empty());
    EXPECT_TRUE(fs::exists(root.path() / "real" / "source.txt"));
}

TEST_F(RootEscapeTest, LinksThatStayInsideWorkDanglingOrNot)
{
    FILE* stream = _wfopen(u"\\pending", u"w");
    ASSERT_NE(stream, nullptr);
    std::fputs("made", stream);
    std::fclose(stream);
    EXPECT_TRUE(fs::is_regular_file(root.path() / "real" / "made.txt"));

    HANDLE file = create(u"\\Inside\\second.txt", CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(fs::is_regular_file(root.path() / "real" / "second.txt"));
    EXPECT_TRUE(CreateDirectoryW(u"\\inside\\sub", nullptr));
    EXPECT_TRUE(fs::is_directory(root.path() / "real" / "sub"));
    EXPECT_EQ(platform::files::map_path(u"\\INSIDE\\sub"), root.path() / "real" / "sub");

    // Deleting a link removes the link, never what it points at.
    EXPECT_TRUE(DeleteFileW(u"\\pending"));
    EXPECT_TRUE(fs::exists(root.path() / "real" / "made.txt"));
    EXPECT_TRUE(DeleteFileW(u"\\out"));
    EXPECT_TRUE(outside.empty());
}

TEST_F(RootEscapeTest, ALoopingLinkFailsCleanly)
{
    EXPECT_EQ(_wfopen(u"\\loop", u"w"), nullptr);
    EXPECT_EQ(create(u"\\loop", OPEN_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileAttributesW(u"\\loop\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(outside.empty());
}

TEST_F(RootEscapeTest, SearchesListNoLinkLeadingOut)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(u"\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::u16string> names;
    do names.emplace_back(data.cFileName);
    while (FindNextFileW(search, &data));
    FindClose(search);
    EXPECT_EQ(names, (std::vector<std::u16string> {u"inside", u"real"}));
    EXPECT_EQ(FindFirstFileW(u"\\outdir\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(RootEscapeTest, RefusalsNameTheLinkAndWhereItLeads)
{
    std::string why = platform::files::explain_refusal(u"\\chain");
    EXPECT_NE(why.find("\\chain"), std::string::npos) << why;
    EXPECT_NE(why.find((outside.path() / "new.txt").string()), std::string::npos) << why;
    EXPECT_NE(why.find("outside the device root"), std::string::npos) << why;
    why = platform::files::explain_refusal(u"\\climb");
    EXPECT_NE(why.find((root.path() / "climb").string() + ", a link that leads above"), std::string::npos) << why;
    why = platform::files::explain_refusal(u"\\loop\\x");
    EXPECT_NE(why.find("too many links"), std::string::npos) << why;
    EXPECT_EQ(platform::files::explain_refusal(u"\\real\\x"), "");
}

TEST_F(RootEscapeTest, OverlongNamesAndLoneSurrogatesAreNameErrors)
{
    std::u16string longest = u"\\" + std::u16string(255, u'n');
    HANDLE file = create(longest.c_str(), CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    std::u16string overlong = u"\\" + std::u16string(256, u'n');
    EXPECT_EQ(create(overlong.c_str(), CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(CreateDirectoryW((overlong + u"\\x").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
    errno = 0;
    EXPECT_EQ(_wfopen(overlong.c_str(), u"w"), nullptr);
    EXPECT_EQ(errno, ENAMETOOLONG);

    // Two names that differ only in an unpaired surrogate would otherwise
    // share one host file.
    const char16_t high[] = {u'\\', u'a', 0xD800, 0};
    const char16_t low[] = {u'\\', u'a', 0xDC00, u'b', 0};
    for (const char16_t* name : {high, low}) {
        EXPECT_EQ(create(name, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
    }
    const char16_t pair[] = {u'\\', 0xD83D, 0xDE00, 0};
    file = create(pair, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(fs::exists(root.path() / "\xF0\x9F\x98\x80"));
}

}  // namespace
