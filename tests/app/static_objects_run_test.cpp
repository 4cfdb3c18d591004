// A phone program's static objects see the phone already set up: its
// registry and the program's folder are there before the program's entry.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string run(const std::string& arguments)
{
    std::string command = std::string("'") + STATIC_REGISTRY_PROGRAM + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (!pipe) return output;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

TEST(StaticObjects, ReadThePhonesRegistryAndFolderBeforeTheEntry)
{
    velmor_test::TempFolder folder("static-objects");
    const fs::path& root = folder.path();
    fs::create_directories(root / "Program Files" / "Velmor");
    std::ofstream(root / "Program Files" / "Velmor" / "BrisellRes.dll", std::ios::binary) << std::ifstream(
        fs::path(SHAVER_BUILT_DEVICE_ROOT) / "Program Files" / "Velmor" / "BrisellRes.dll", std::ios::binary)
                                                                                                 .rdbuf();
    std::ofstream(root / "registry.reg") << "Windows Registry Editor Version 5.00\n\n"
                                         << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme\\Colors]\n"
                                         << "\"SYSCLR_WINDOW_BG\"=dword:00123456\n";
    EXPECT_EQ(run("--headless --device-root '" + root.string() + "'"), "colour found 123456 library loaded\n");
    // A run the host refuses leaves the phone's folder as it was.
    fs::path fresh = root / "not-yet";
    EXPECT_EQ(run("--headless --device-root '" + fresh.string() + "' --fps 0"), "");
    EXPECT_FALSE(fs::exists(fresh));
}

}  // namespace
