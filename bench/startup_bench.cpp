// velmor --headless from start to exit under an empty script, as its own
// process, wall clock: the phone boots, shows its home screen, starts the
// shaver and ends. Once on a phone that has started before (its home-screen
// art kept in the device root), once on a phone starting for the first time.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Phone {
    fs::path folder = fs::temp_directory_path() / ("velmor-startup-" + std::to_string(getpid()));
    fs::path root = folder / "device";
    fs::path script = folder / "empty.txt";

    Phone()
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(script).flush();
        fresh_root();
    }
    ~Phone() { fs::remove_all(folder); }

    void fresh_root()
    {
        fs::remove_all(root);
        fs::copy(VELMOR_BUILT_DEVICE_ROOT, root, fs::copy_options::recursive);
        fs::remove(root / "registry.reg");
    }

    // Runs velmor to its end; false when it could not be run or failed.
    bool run() const
    {
        std::vector<std::string> args {
            STARTUP_VELMOR, "--headless", "--device-root", root.string(), "--script", script.string()};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed) return false;
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status);
    }
};

void BM_VelmorHeadlessEmptyScript(benchmark::State& state)
{
    Phone phone;
    if (!phone.run()) state.SkipWithError("velmor did not run");
    for (auto _ : state)
        if (!phone.run()) state.SkipWithError("velmor did not run");
}

void BM_VelmorHeadlessFirstStart(benchmark::State& state)
{
    Phone phone;
    for (auto _ : state) {
        state.PauseTiming();
        phone.fresh_root();
        state.ResumeTiming();
        if (!phone.run()) state.SkipWithError("velmor did not run");
    }
}

}  // namespace

BENCHMARK(BM_VelmorHeadlessEmptyScript)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_VelmorHeadlessFirstStart)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
