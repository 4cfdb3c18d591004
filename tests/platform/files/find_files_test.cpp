#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>

#include <atomic>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "platform/files/case_fold.h"
#include "platform/include/fileapi.h"
#include "platform/include/winbase.h"
#include "tests/platform/files/temp_root.h"

namespace fs = std::filesystem;

namespace {

class FindFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root.path() / "Program Files" / "Velmor" / "WAVE");
        fs::create_directories(root.path() / "Windows");
        for (int i = 1; i <= 10; ++i)
            std::ofstream(root.path() / "Program Files" / "Velmor" / "WAVE" / ("shaver_v" + std::to_string(i) + ".wav"))
                << std::string(static_cast<std::size_t>(i), 'x');
        std::ofstream(root.path() / "Windows" / "switch.wav") << "s";
        std::ofstream(root.path() / "Windows" / "README") << "r";
    }

    // The names a search returns, in order; empty when it fails.
    std::vector<std::u16string> find(LPCWSTR pattern)
    {
        std::vector<std::u16string> names;
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(pattern, &data);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.emplace_back(data.cFileName);
        while (FindNextFileW(search, &data));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(search));
        return names;
    }

    TempDeviceRoot root;
};

TEST_F(FindFilesTest, WildcardsMatchIgnoringCase)
{
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(find(u"\\program files\\velmor\\wave\\SHAVER_V1?.WAV"), Names {u"shaver_v10.wav"});
    EXPECT_EQ(find(u"\\Program Files\\Velmor\\WAVE\\shaver_v?.wav").size(), 9u);
    EXPECT_EQ(find(u"\\Program Files\\Velmor\\WAVE\\*").size(), 10u);
    EXPECT_EQ(find(u"\\Windows\\*.*"), (Names {u"README", u"switch.wav"}));
    EXPECT_EQ(find(u"\\Windows\\*.wav"), Names {u"switch.wav"});
    EXPECT_EQ(find(u"windows/s*h.WAV"), Names {u"switch.wav"});
    EXPECT_EQ(find(u"\\WINDOWS\\SWITCH.WAV"), Names {u"switch.wav"});
    // The runtime folder does not show at the root.
    platform::files::runtime_folder();
    EXPECT_EQ(find(u"\\*"), (Names {u"Program Files", u"Windows"}));
    EXPECT_EQ(find(u"*"), (Names {u"Program Files", u"Windows"}));

    EXPECT_TRUE(platform::files::wildcard_match(u"*a*b*", u"xxaYYbzz"));
    EXPECT_FALSE(platform::files::wildcard_match(u"*a*b", u"xxaYYbzz"));
    EXPECT_TRUE(platform::files::wildcard_match(u"**", u""));
    EXPECT_FALSE(platform::files::wildcard_match(u"?", u""));
}

TEST_F(FindFilesTest, EntriesCarryAttributesAndSizes)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(u"\\Program Files\\Velmor\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(data.cFileName), u"WAVE");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(FindNextFileW(search, &data));
    FindClose(search);

    search = FindFirstFileW(u"\\Program Files\\Velmor\\WAVE\\shaver_v7.wav", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data.nFileSizeLow, 7u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    // A find handle is not a file handle, and FindClose takes nothing else.
    EXPECT_EQ(GetFileSize(search, nullptr), INVALID_FILE_SIZE);
    FindClose(search);
    HANDLE file = CreateFileW(u"\\Windows\\README", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(FindClose(file));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(file);
}

TEST_F(FindFilesTest, FailuresTellMissingFilesFromMissingFolders)
{
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(u"\\Windows\\*.bmp", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW(u"\\Nowhere\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW(u"\\Win*\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(FindFirstFileW(u"\\..\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(FindFirstFileW(u"\\.velmor-runtime\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(nullptr, &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"\\Windows\\*", nullptr), INVALID_HANDLE_VALUE);

    // A link to a folder outside the root is left out of listings.
    fs::create_directory_symlink("/etc", root.path() / "Windows" / "escape");
    EXPECT_EQ(find(u"\\Windows\\*").size(), 2u);
    EXPECT_EQ(FindFirstFileW(u"\\Windows\\escape\\*", &data), INVALID_HANDLE_VALUE);
}

// What a search lists for each entry, by name: its size, or -1 for a folder.
std::map<std::u16string, long long> listing(LPCWSTR pattern)
{
    std::map<std::u16string, long long> entries;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do
        entries[data.cFileName] =
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? -1 : (long long)(data.nFileSizeLow);
    while (FindNextFileW(search, &data));
    FindClose(search);
    return entries;
}

TEST_F(FindFilesTest, LinksAreListedAsTheWalkReachesThemAndNeverAsAWayOut)
{
    auto outside = root.path().parent_path() / (root.path().filename().string() + "-outside");
    fs::create_directories(outside);
    std::ofstream(outside / "secret.txt") << std::string(7777, 's');
    auto real = root.path() / "real";
    fs::create_directories(real / "deeper");
    std::ofstream(real / "file.txt") << "0123456789";
    fs::create_directory_symlink("real", root.path() / "inside");
    fs::create_symlink("file.txt", real / "alias");
    fs::create_symlink("deeper/../file.txt", real / "around");
    fs::create_symlink("..", real / "up");
    fs::create_symlink(outside / "secret.txt", real / "out");
    fs::create_symlink("../../" + outside.filename().string() + "/secret.txt", real / "climb");
    fs::create_symlink("missing.txt", real / "dangling");
    fs::create_symlink("loop", real / "loop");

    // Reached through a link, the folder lists as it does by its own name.
    for (LPCWSTR pattern : {u"\\inside\\*", u"\\real\\*", u"\\INSIDE\\deeper\\..\\*"}) {
        auto entries = listing(pattern);
        std::map<std::u16string, long long> expected {
            {u"alias", 10}, {u"around", 10}, {u"deeper", -1}, {u"file.txt", 10}, {u"up", -1}};
        EXPECT_EQ(entries, expected) << std::string(pattern, pattern + std::char_traits<char16_t>::length(pattern));
    }
    fs::remove_all(outside);
}

TEST_F(FindFilesTest, ALinkIsListedAsWhatItLeadsToInTheFolderListedWhileTheFolderIsSwapped)
{
    // \swap is one of two folders, exchanged as fast as the host can: a
    // link in the listing is described by what it leads to in that same
    // folder, never by its namesake in the other.
    for (const char* name : {"swap", "swap.spare"}) fs::create_directories(root.path() / name);
    std::ofstream(root.path() / "swap" / "data.bin") << std::string(1000, 'a');
    std::ofstream(root.path() / "swap.spare" / "data.bin") << std::string(10, 'b');
    fs::create_symlink("data.bin", root.path() / "swap" / "link");
    fs::create_symlink("data.bin", root.path() / "swap.spare" / "link");
    std::atomic<bool> stop {false};
    std::atomic<long> swaps {0};
    std::thread swapper([&] {
        auto one = root.path() / "swap", other = root.path() / "swap.spare";
        while (!stop)
            if (::renameat2(AT_FDCWD, one.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0) ++swaps;
    });
    int with_link = 0;
    for (int attempt = 0; attempt < 3000 || swaps < 100; ++attempt) {
        auto entries = listing(u"\\swap\\*");
        if (!entries.count(u"link") || !entries.count(u"data.bin")) continue;
        ++with_link;
        EXPECT_EQ(entries[u"link"], entries[u"data.bin"]) << "attempt " << attempt;
        if (entries[u"link"] != entries[u"data.bin"] || attempt > 100000) break;
    }
    stop = true;
    swapper.join();
    EXPECT_GT(with_link, 0);
}

}  // namespace
