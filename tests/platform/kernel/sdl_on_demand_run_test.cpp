// A whole phone started as the host starts it: headless, it never loads SDL;
// with the sound card as its speaker, it does.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

struct Outcome {
    int exit_code = -1;
    std::string output;
};

Outcome run_probe(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
    const std::vector<std::pair<std::string, std::string>>& environment = {})
{
    std::vector<std::string> all = {
        VELMOR_SDL_PROBE_PROGRAM, "--headless", "--create-device-root", "--device-root", (folder / "root").string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    auto output_file = folder / "output.txt";
    pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(output_file.c_str(), "w", stdout)) _exit(126);
        dup2(fileno(stdout), 2);
        if (chdir(folder.c_str()) != 0) _exit(126);
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Outcome outcome;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            outcome.output = "(killed after 60 s)\n";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
    std::ifstream stream(output_file);
    outcome.output += std::string(std::istreambuf_iterator<char>(stream), {});
    return outcome;
}

TEST(SdlOnDemandRun, AHeadlessPhoneLoadsSdlOnlyWhenItsSpeakerIsTheSoundCard)
{
    velmor_test::TempFolder folder("velmor-sdl");
    std::ofstream(folder.path() / "empty.txt").flush();

    auto silent = run_probe({"--script", "empty.txt"}, folder.path());
    EXPECT_EQ(silent.exit_code, 0) << "40 means SDL was loaded\n" << silent.output;

    // SDL's dummy driver needs no sound card; SDL's own allocations outlive
    // the run and are not the phone's to free.
    auto heard = run_probe({"--script", "empty.txt", "--audio", "sdl"}, folder.path(),
        {{"SDL_AUDIODRIVER", "dummy"}, {"ASAN_OPTIONS", "detect_leaks=0"}});
    EXPECT_EQ(heard.exit_code, 40) << heard.output;
}

}  // namespace
