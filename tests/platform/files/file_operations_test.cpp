#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "tests/platform/files/temp_root.h"

namespace fs = std::filesystem;

namespace {

std::string contents_of(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class FileOperationsTest : public ::testing::Test {
protected:
    TempDeviceRoot root;
};

TEST_F(FileOperationsTest, FoldersAndAttributes)
{
    EXPECT_TRUE(CreateDirectoryW(u"\\Program Files", nullptr));
    EXPECT_TRUE(CreateDirectoryW(u"\\program files\\Velmor", nullptr));
    EXPECT_TRUE(fs::is_directory(root.path() / "Program Files" / "Velmor"));
    EXPECT_FALSE(CreateDirectoryW(u"\\PROGRAM FILES", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryW(u"\\a\\b\\c", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    write_file(root.path() / "Program Files" / "Velmor" / "Velmor.exe", "MZ");
    EXPECT_EQ(GetFileAttributesW(u"\\Program Files"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(u"\\"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(u"\\program files\\velmor\\velmor.exe"), FILE_ATTRIBUTE_NORMAL);
    fs::permissions(root.path() / "Program Files" / "Velmor" / "Velmor.exe", fs::perms::owner_read);
    EXPECT_EQ(GetFileAttributesW(u"\\program files\\velmor\\velmor.exe"), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetFileAttributesW(u"\\nothing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(u"\\nothing\\deeper"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    EXPECT_FALSE(RemoveDirectoryW(u"\\Program Files"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIR_NOT_EMPTY));
    EXPECT_FALSE(RemoveDirectoryW(u"\\Program Files\\Velmor\\Velmor.exe"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIRECTORY));
    EXPECT_FALSE(RemoveDirectoryW(u"\\"));
    EXPECT_FALSE(RemoveDirectoryW(u"\\x\\.."));
    EXPECT_TRUE(fs::exists(root.path()));
    EXPECT_TRUE(CreateDirectoryW(u"\\empty", nullptr));
    EXPECT_TRUE(RemoveDirectoryW(u"\\EMPTY"));
    EXPECT_FALSE(fs::exists(root.path() / "empty"));
}

TEST_F(FileOperationsTest, DeleteRefusesFoldersReadOnlyFilesAndMissingOnes)
{
    write_file(root.path() / "gone.txt", "x");
    EXPECT_TRUE(DeleteFileW(u"\\GONE.TXT"));
    EXPECT_FALSE(fs::exists(root.path() / "gone.txt"));
    EXPECT_FALSE(DeleteFileW(u"\\gone.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    fs::create_directories(root.path() / "folder");
    EXPECT_FALSE(DeleteFileW(u"\\folder"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    write_file(root.path() / "ro.txt", "x");
    fs::permissions(root.path() / "ro.txt", fs::perms::owner_read);
    EXPECT_FALSE(DeleteFileW(u"\\ro.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::exists(root.path() / "ro.txt"));
}

TEST_F(FileOperationsTest, MoveNeverReplacesAnExistingTarget)
{
    write_file(root.path() / "a.txt", "a");
    write_file(root.path() / "b.txt", "b");
    EXPECT_FALSE(MoveFileW(u"\\a.txt", u"\\B.TXT"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(contents_of(root.path() / "b.txt"), "b");

    fs::create_directories(root.path() / "Sub");
    EXPECT_TRUE(MoveFileW(u"\\a.txt", u"\\sub\\c.txt"));
    EXPECT_EQ(contents_of(root.path() / "Sub" / "c.txt"), "a");
    EXPECT_FALSE(MoveFileW(u"\\a.txt", u"\\d.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(MoveFileW(u"\\b.txt", u"\\missing\\b.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    // A change of case only renames the stored name.
    EXPECT_TRUE(MoveFileW(u"\\b.txt", u"\\B.txt"));
    EXPECT_TRUE(fs::exists(root.path() / "B.txt"));
    EXPECT_FALSE(fs::exists(root.path() / "b.txt"));

    // Folders move too; the root and escapes do not.
    EXPECT_TRUE(MoveFileW(u"\\sub", u"\\Moved"));
    EXPECT_TRUE(fs::exists(root.path() / "Moved" / "c.txt"));
    EXPECT_FALSE(MoveFileW(u"\\", u"\\elsewhere"));
    EXPECT_FALSE(MoveFileW(u"\\B.txt", u"\\..\\outside.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::exists(root.path() / "B.txt"));
}

TEST_F(FileOperationsTest, CopyHonoursFailIfExistsAndKeepsTheSource)
{
    write_file(root.path() / "src.wav", std::string(200000, 'w'));
    write_file(root.path() / "dst.wav", "old");
    EXPECT_FALSE(CopyFileW(u"\\src.wav", u"\\DST.WAV", TRUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(contents_of(root.path() / "dst.wav"), "old");
    EXPECT_TRUE(CopyFileW(u"\\src.wav", u"\\dst.wav", FALSE));
    EXPECT_EQ(contents_of(root.path() / "dst.wav"), std::string(200000, 'w'));
    EXPECT_TRUE(CopyFileW(u"\\SRC.wav", u"\\new.wav", TRUE));
    EXPECT_EQ(contents_of(root.path() / "new.wav"), std::string(200000, 'w'));
    EXPECT_EQ(fs::last_write_time(root.path() / "new.wav"), fs::last_write_time(root.path() / "src.wav"));
    // No temporary copies are left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root.path())) ++entries;
    EXPECT_EQ(entries, 3);

    EXPECT_FALSE(CopyFileW(u"\\none.wav", u"\\x.wav", FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    fs::create_directories(root.path() / "dir");
    EXPECT_FALSE(CopyFileW(u"\\dir", u"\\x.wav", FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileW(u"\\src.wav", u"\\dir", FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileW(u"\\src.wav", u"\\src.wav", FALSE));
    EXPECT_EQ(contents_of(root.path() / "src.wav"), std::string(200000, 'w'));
}

}  // namespace
