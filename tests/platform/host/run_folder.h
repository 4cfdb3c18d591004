// The folder a run test gives the phone to record into. It is named after the
// test and kept afterwards, so the frames and logs of a failed run can be
// looked at; the next run of the same test starts it afresh.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// What a recording showed and played: each frame's name (its number and time)
// with a hash of its picture, and a hash of the sound; equal lists mean two
// runs showed and played the same.
inline std::vector<std::string> frames_and_sound(const std::filesystem::path& record)
{
    std::vector<std::string> seen;
    for (const auto& entry : std::filesystem::directory_iterator(record)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with("frame-") || name == "sound.wav")
            seen.push_back(name + " " + std::to_string(std::hash<std::string> {}(read_text(entry.path()))));
    }
    std::sort(seen.begin(), seen.end());
    return seen;
}
