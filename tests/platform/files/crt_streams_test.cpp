#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/include/fileapi.h"
#include "tests/platform/files/temp_root.h"

namespace fs = std::filesystem;

namespace {

class CrtStreamsTest : public ::testing::Test {
protected:
    TempDeviceRoot root;
};

TEST_F(CrtStreamsTest, StreamsRoundTripThroughCePaths)
{
    fs::create_directories(root.path() / "Program Files" / "Velmor");
    FILE* out = _wfopen(u"\\PROGRAM FILES\\velmor\\log.bin", u"wb");
    ASSERT_NE(out, nullptr);
    const char payload[] = "RIFF\0\x01\x02";
    EXPECT_EQ(std::fwrite(payload, 1, sizeof payload, out), sizeof payload);
    EXPECT_EQ(std::fclose(out), 0);
    EXPECT_EQ(fs::file_size(root.path() / "Program Files" / "Velmor" / "log.bin"), sizeof payload);

    FILE* in = _wfopen(u"\\Program Files\\Velmor\\LOG.BIN", u"rb");
    ASSERT_NE(in, nullptr);
    char back[sizeof payload] = {};
    EXPECT_EQ(std::fseek(in, 4, SEEK_SET), 0);
    EXPECT_EQ(std::fread(back, 1, 4, in), 4u);
    EXPECT_EQ(std::string(back, 4), std::string(payload + 4, 4));
    std::fclose(in);

    FILE* append = _wfopen(u"\\Program Files\\Velmor\\log.bin", u"a+t");
    ASSERT_NE(append, nullptr);
    std::fputs("!", append);
    std::fclose(append);
    EXPECT_EQ(fs::file_size(root.path() / "Program Files" / "Velmor" / "log.bin"), sizeof payload + 1);
}

TEST_F(CrtStreamsTest, RefusedPathsSetErrno)
{
    errno = 0;
    EXPECT_EQ(_wfopen(u"\\missing.txt", u"r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(_wfopen(u"\\..\\..\\etc\\passwd", u"r"), nullptr);
    EXPECT_EQ(errno, EACCES);
    errno = 0;
    EXPECT_EQ(_wfopen(u"/etc/passwd", u"r"), nullptr);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(_wfopen(u"\\x.txt", u"q"), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(_wfopen(u"\\x.txt", u"rz"), nullptr);
    EXPECT_EQ(_wfopen(u"\\x.txt", nullptr), nullptr);
    EXPECT_EQ(_wfopen(nullptr, u"r"), nullptr);
    fs::create_directories(root.path() / "dir");
    errno = 0;
    EXPECT_EQ(_wfopen(u"\\dir", u"r"), nullptr);
    EXPECT_EQ(errno, EACCES);
    std::ofstream(root.path() / "ro.txt") << "keep";
    fs::permissions(root.path() / "ro.txt", fs::perms::owner_read);
    EXPECT_EQ(_wfopen(u"\\ro.txt", u"w"), nullptr);
    EXPECT_EQ(fs::file_size(root.path() / "ro.txt"), 4u);
}

TEST_F(CrtStreamsTest, RemoveAndRename)
{
    std::ofstream(root.path() / "a.txt") << "a";
    std::ofstream(root.path() / "b.txt") << "b";
    EXPECT_EQ(_wrename(u"\\a.txt", u"\\B.TXT"), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(_wrename(u"\\a.txt", u"\\c.txt"), 0);
    EXPECT_TRUE(fs::exists(root.path() / "c.txt"));
    EXPECT_EQ(_wremove(u"\\C.TXT"), 0);
    EXPECT_FALSE(fs::exists(root.path() / "c.txt"));
    EXPECT_EQ(_wremove(u"\\c.txt"), -1);
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
