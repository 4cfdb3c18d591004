// The platform's own reads of phone files (libraries, sounds, pictures):
// what the walk finds, and no way out through a link swapped in after it.
#include "platform/files/rooted_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/include/winerror.h"
#include "tests/platform/files/link_swapper.h"
#include "tests/platform/files/temp_root.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct Opened {
    DWORD error = 0;
    std::string text;  // the bytes read, or why it failed
};

Opened read(std::u16string_view ce_path, std::uint64_t limit = 1 << 20)
{
    Opened result;
    auto file = platform::files::RootedFile::open(ce_path, &result.error);
    if (!file) {
        result.text = file.failure().text();
        return result;
    }
    auto bytes = file->read_all(limit);
    result.text = bytes ? std::string(bytes->begin(), bytes->end()) : "read failed: " + bytes.failure().text();
    return result;
}

class OutsideFile {
public:
    explicit OutsideFile(const std::string& bytes)
    {
        if (!folder_.made()) ADD_FAILURE() << "cannot create a temporary folder";
        std::ofstream(path(), std::ios::binary) << bytes;
    }
    fs::path path() const { return folder_ / "secret.bin"; }

private:
    velmor_test::TempFolder folder_ {"velmor-outside"};
};

}  // namespace

TEST(RootedFile, ReadsWhatTheWalkFindsAndRefusesWhatIsNoPlainFileInside)
{
    TempDeviceRoot root;
    OutsideFile outside("OUTSIDE");
    fs::create_directories(root.path() / "Windows" / "sub");
    std::ofstream(root.path() / "Windows" / "tone.wav", std::ios::binary) << "inside";
    fs::create_symlink("tone.wav", root.path() / "Windows" / "alias.wav");
    fs::create_symlink(outside.path(), root.path() / "Windows" / "out.wav");
    fs::create_symlink("gone.wav", root.path() / "Windows" / "dangling.wav");

    EXPECT_EQ(read(u"\\windows\\TONE.wav").text, "inside");
    EXPECT_EQ(read(u"\\Windows\\alias.wav").text, "inside");
    auto direct = platform::files::RootedFile::open(u"\\Windows\\tone.wav");
    auto through_link = platform::files::RootedFile::open(u"\\Windows\\alias.wav");
    ASSERT_TRUE(direct && through_link);
    EXPECT_EQ(direct->identity(), through_link->identity());
    EXPECT_EQ(through_link->host_path(), root.path() / "Windows" / "tone.wav");
    EXPECT_EQ(direct->size(), 6u);
    auto too_large = direct->read_all(5);
    ASSERT_FALSE(too_large.ok());
    EXPECT_NE(too_large.failure().text().find("more than 5"), std::string::npos) << too_large.failure().text();

    auto out = read(u"\\Windows\\out.wav");
    EXPECT_EQ(out.error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_NE(out.text.find(outside.path().string()), std::string::npos) << out.text;
    EXPECT_EQ(read(u"\\Windows\\dangling.wav").error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(read(u"\\Windows\\none.wav").error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(read(u"\\Nowhere\\none.wav").error, DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(read(u"\\Windows\\sub").error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(read(u"\\").error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(read(u"\\..\\x").error, DWORD(ERROR_ACCESS_DENIED));
}

TEST(RootedFile, ALinkSwappedInAfterTheWalkIsNeverFollowedOut)
{
    TempDeviceRoot root;
    OutsideFile outside("OUTSIDE");
    int read_inside = 0, refused = 0;
    {
        LinkSwapper swapper(root.path() / "flip.bin", "inside", outside.path());
        for (int attempt = 0; attempt < 4000 || swapper.swaps() < 100; ++attempt) {
            auto result = read(u"\\flip.bin");
            ASSERT_NE(result.text, "OUTSIDE") << "attempt " << attempt;
            if (result.text == "inside")
                ++read_inside;
            else
                ++refused;
            if (attempt > 100000) break;
        }
    }
    // Both sides of the swap were seen, so the race was really run.
    EXPECT_GT(read_inside, 0);
    EXPECT_GT(refused, 0);
}
