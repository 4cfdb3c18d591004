#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/files/device_opener.h"
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

class FileApiTest : public ::testing::Test {
protected:
    HANDLE open(LPCWSTR name, DWORD access, DWORD disposition, DWORD share = FILE_SHARE_READ)
    {
        return CreateFileW(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    TempDeviceRoot root;
};

TEST_F(FileApiTest, DispositionsCreateOpenAndTruncateAsOnThePhone)
{
    // CREATE_NEW makes the file, then refuses to replace it.
    HANDLE file = open(u"\\a.txt", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(open(u"\\A.TXT", GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(contents_of(root.path() / "a.txt"), "hello");

    // OPEN_ALWAYS keeps the contents and reports the existing file.
    file = open(u"\\a.TXT", GENERIC_READ, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    CloseHandle(file);
    file = open(u"\\b.txt", GENERIC_READ, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(file);
    EXPECT_TRUE(fs::exists(root.path() / "b.txt"));

    // CREATE_ALWAYS empties an existing file and says so.
    file = open(u"\\a.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    WriteFile(file, "xy", 2, &written, nullptr);
    CloseHandle(file);

    // TRUNCATE_EXISTING needs write access and an existing file.
    EXPECT_EQ(open(u"\\a.txt", GENERIC_READ, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(contents_of(root.path() / "a.txt"), "xy");
    EXPECT_EQ(open(u"\\c.txt", GENERIC_WRITE, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    file = open(u"\\a.txt", GENERIC_WRITE, TRUNCATE_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(contents_of(root.path() / "a.txt"), "");

    EXPECT_EQ(open(u"\\a.txt", GENERIC_READ, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(open(u"\\a.txt", GENERIC_READ, 6), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(FileApiTest, OpenFailuresReportThePhonesErrors)
{
    EXPECT_EQ(open(u"\\missing.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(open(u"\\no folder\\missing.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(open(u"\\no folder\\new.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    fs::create_directories(root.path() / "Windows");
    EXPECT_EQ(open(u"\\Windows", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(open(u"\\", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

    std::ofstream(root.path() / "locked.txt") << "keep";
    fs::permissions(root.path() / "locked.txt", fs::perms::owner_read);
    EXPECT_EQ(open(u"\\locked.txt", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(open(u"\\locked.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(contents_of(root.path() / "locked.txt"), "keep");

    EXPECT_EQ(open(u"\\..\\..\\etc\\passwd", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(open(u"/etc/passwd", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(open(nullptr, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // A host pipe is not a file on the phone, and must not block the caller.
    ASSERT_EQ(::mkfifo((root.path() / "pipe").c_str(), 0666), 0);
    EXPECT_EQ(open(u"\\pipe", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(FileApiTest, ReadWriteSeekAndTruncateThroughOneHandle)
{
    HANDLE file = open(u"\\data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &count, nullptr));

    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(file, buffer, 3, &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), "234");
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 4u);
    EXPECT_EQ(SetFilePointer(file, -4, nullptr, FILE_END), 6u);
    // Reading past the end succeeds with what there is, then with nothing.
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), "6789");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, 0u);

    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // 64-bit positions through the high part; the low half is unsigned.
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file, 0x10, &high, FILE_BEGIN), 0x10u);
    EXPECT_EQ(high, 1);
    high = 0;
    EXPECT_EQ(SetFilePointer(file, static_cast<LONG>(0xFFFFFFFFu), &high, FILE_BEGIN), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));

    EXPECT_EQ(SetFilePointer(file, 5, nullptr, FILE_BEGIN), 5u);
    ASSERT_TRUE(SetEndOfFile(file));
    DWORD size_high = 7;
    EXPECT_EQ(GetFileSize(file, &size_high), 5u);
    EXPECT_EQ(size_high, 0u);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
    EXPECT_EQ(contents_of(root.path() / "data.bin"), "01234");
}

TEST_F(FileApiTest, HandlesRefuseWhatTheirAccessDoesNotAllow)
{
    std::ofstream(root.path() / "r.txt") << "abc";
    HANDLE reader = open(u"\\r.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD count = 99;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(SetEndOfFile(reader));
    OVERLAPPED overlapped {};
    char buffer[4];
    EXPECT_FALSE(ReadFile(reader, buffer, 1, &count, &overlapped));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(ReadFile(reader, nullptr, 1, &count, nullptr));
    CloseHandle(reader);

    // Closed and made-up handles fail cleanly.
    EXPECT_FALSE(ReadFile(reader, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(reader));
    EXPECT_EQ(GetFileSize(INVALID_HANDLE_VALUE, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SetFilePointer(reinterpret_cast<HANDLE>(0x7777), 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_FALSE(WriteFile(nullptr, "x", 1, &count, nullptr));
}

TEST_F(FileApiTest, ShareModesKeepOutConflictingHandles)
{
    HANDLE writer = CreateFileW(u"\\s.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    WriteFile(writer, "data", 4, &count, nullptr);
    EXPECT_EQ(open(u"\\s.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    // A refused CREATE_ALWAYS must not have emptied the file.
    EXPECT_EQ(open(u"\\s.txt", GENERIC_WRITE, CREATE_ALWAYS, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(contents_of(root.path() / "s.txt"), "data");
    EXPECT_FALSE(DeleteFileW(u"\\s.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    // Access 0 asks only for attributes and never conflicts.
    HANDLE query = CreateFileW(u"\\s.txt", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(query, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(query, nullptr), 4u);
    CloseHandle(query);
    CloseHandle(writer);

    HANDLE first = open(u"\\s.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    HANDLE second = open(u"\\s.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    // Both readers share reading only: a writer is refused.
    EXPECT_EQ(open(u"\\s.txt", GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_TRUE(DeleteFileW(u"\\s.txt"));
}

TEST_F(FileApiTest, DeviceNamesGoToTheDeviceOpener)
{
    EXPECT_TRUE(platform::files::is_device_name(u"ACC0:"));
    EXPECT_TRUE(platform::files::is_device_name(u"ird1:"));
    EXPECT_TRUE(platform::files::is_device_name(u"\\$bus\\USBFN_1"));
    EXPECT_FALSE(platform::files::is_device_name(u"AC0:"));
    EXPECT_FALSE(platform::files::is_device_name(u"ACC0"));
    EXPECT_FALSE(platform::files::is_device_name(u"\\ACC0:"));

    EXPECT_EQ(open(u"ACC0:", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    std::u16string asked;
    DWORD asked_access = 0;
    HANDLE device_handle = reinterpret_cast<HANDLE>(0x4242);
    platform::files::set_device_opener([&](std::u16string_view name, DWORD access, DWORD, DWORD, DWORD) {
        asked = name;
        asked_access = access;
        return device_handle;
    });
    EXPECT_EQ(open(u"IRD1:", 0, OPEN_EXISTING, 0), device_handle);
    EXPECT_EQ(asked, u"IRD1:");
    EXPECT_EQ(asked_access, 0u);
    platform::files::set_device_opener(nullptr);
    EXPECT_EQ(open(u"IRD1:", 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
}

}  // namespace
