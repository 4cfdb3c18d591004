// The folder a run test gives the phone to record into. It is named after the
// test and kept afterwards, so the frames and logs of a failed run can be
// looked at; the next run of the same test starts it afresh.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::filesystem::path test_run_folder(const std::string& prefix)
{
    auto folder = std::filesystem::temp_directory_path() /
        (prefix + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::string read_text(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}
