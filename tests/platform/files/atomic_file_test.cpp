// Replacing a file whole: the new contents or the old, and a failure that
// names what it concerns.
#include "platform/files/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> names_in(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(AtomicFile, ReplacesTheWholeFileKeepingItsPermissionsAndNoTemporary)
{
    velmor_test::TempFolder folder("velmor-atomic");
    ASSERT_TRUE(folder.made());
    fs::path file = folder / "settings.txt";
    std::ofstream(file, std::ios::binary) << "the old contents, longer than the new";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    auto written = platform::files::write_file_atomically(file, "new");
    ASSERT_TRUE(written.ok()) << written.failure().text();
    EXPECT_EQ(read_file(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(names_in(folder.path()), std::vector<std::string> {"settings.txt"});
}

TEST(AtomicFile, AFailureNamesWhatItConcernsAndLeavesNothingBehind)
{
    velmor_test::TempFolder folder("velmor-atomic");
    ASSERT_TRUE(folder.made());

    // No folder to write the temporary file in.
    auto no_folder = platform::files::write_file_atomically(folder / "missing" / "a.txt", "x");
    ASSERT_FALSE(no_folder.ok());
    EXPECT_EQ(no_folder.failure().where, (folder / "missing").string());
    EXPECT_NE(no_folder.failure().message.find("cannot create a temporary file"), std::string::npos)
        << no_folder.failure().text();

    // A folder that is not empty stands where the file should go: the
    // rename fails, the folder and what it holds stay, the temporary goes.
    fs::create_directories(folder / "taken" / "inside");
    auto taken = platform::files::write_file_atomically(folder / "taken", "x");
    ASSERT_FALSE(taken.ok());
    EXPECT_EQ(taken.failure().where, (folder / "taken").string());
    EXPECT_NE(taken.failure().message.find("cannot replace it"), std::string::npos) << taken.failure().text();
    EXPECT_TRUE(fs::is_directory(folder / "taken" / "inside"));
    EXPECT_EQ(names_in(folder.path()), std::vector<std::string> {"taken"});
}
