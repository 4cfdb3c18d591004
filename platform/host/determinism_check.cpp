#include "platform/host/determinism_check.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/host/host.h"
#include "platform/host/recording_comparison.h"
#include "platform/kernel/result.h"

extern char** environ;

namespace platform::host {
namespace {

namespace fs = std::filesystem;

void say(const std::string& text) { std::fprintf(stderr, "velmor: %s\n", text.c_str()); }

char hex_digit(int value) { return "0123456789ABCDEF"[value & 15]; }

std::string language_text(LANGID language)
{
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) text += hex_digit(language >> shift);
    return text;
}

// Starts the executable with arguments, its output into output_file; the
// process id, or -1 when it could not start.
pid_t start_child(const fs::path& executable, const std::vector<std::string>& arguments, const fs::path& output_file)
{
    std::vector<std::string> all = {executable.string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t child = 0;
    int failure = posix_spawn(&child, executable.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failure == 0 ? child : -1;
}

// The child's exit code, -1 when it did not start or died of a signal.
int wait_for_child(pid_t child)
{
    if (child < 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_text(const fs::path& file)
{
    std::ifstream stream(file);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

// A folder of its own under the system's temporary folder.
Result<fs::path> temporary_folder()
{
    std::string pattern = (fs::temp_directory_path() / "velmor-determinism-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return Failure {"cannot make a temporary folder for the two runs: " + std::string(std::strerror(errno))};
    return fs::path(pattern);
}

struct Run {
    const char* name;
    fs::path device_root;
    fs::path record;
    fs::path output;
    int exit_code = -1;
};

}  // namespace

std::vector<std::string> determinism_run_arguments(
    const Options& options, const fs::path& script, const fs::path& device_root, const fs::path& record)
{
    std::vector<std::string> arguments = {"--headless", "--virtual-time", "--script", script.string(), "--device-root",
        device_root.string(), "--record", record.string(), "--record-limit", std::to_string(options.record_limit_mb),
        "--fps", std::to_string(options.fps), "--lang", language_text(options.language)};
    if (options.home) arguments.push_back("--home");
    // Pictures only when the runs are kept for a person to look at; hashes
    // tell as well whether two frames are the same, at a fraction of the cost.
    if (options.record.empty()) {
        arguments.push_back("--record-frames");
        arguments.push_back("hashes");
    }
    return arguments;
}

int check_determinism(const fs::path& executable, const Options& options, const fs::path& device_root)
{
    std::error_code failure;
    // With --record the runs are the user's to keep; otherwise they live in a
    // temporary folder that goes when they agree.
    bool keep = !options.record.empty();
    Result<fs::path> folder_made = keep ? Result<fs::path>(fs::absolute(options.record, failure)) : temporary_folder();
    if (keep && failure) folder_made = failure_at(options.record.string(), "cannot be found: " + failure.message());
    if (!folder_made) {
        say(folder_made.failure().text());
        return exit_setup_failed;
    }
    fs::path folder = *folder_made;
    fs::create_directories(folder, failure);
    fs::path script = fs::absolute(options.script, failure);

    Run runs[2] = {{"first", {}, {}, {}, -1}, {"second", {}, {}, {}, -1}};
    pid_t children[2] = {-1, -1};
    for (Run& run : runs) {
        run.device_root = folder / (std::string(run.name) + "-device");
        run.record = folder / run.name;
        run.output = folder / (std::string(run.name) + "-output.txt");
        fs::remove_all(run.device_root, failure);
        fs::remove_all(run.record, failure);
        // Each run starts from the phone as it is now, and neither sees what
        // the other wrote into its registry or files.
        failure.clear();
        if (fs::exists(device_root))
            fs::copy(device_root, run.device_root, fs::copy_options::recursive, failure);
        else
            fs::create_directories(run.device_root, failure);
        if (failure) {
            say("cannot copy the device root " + device_root.string() + " to " + run.device_root.string() + ": " +
                failure.message());
            return exit_setup_failed;
        }
    }
    // The two runs share nothing, so they run side by side.
    for (int i = 0; i < 2; ++i)
        children[i] = start_child(executable,
            determinism_run_arguments(options, script, runs[i].device_root, runs[i].record), runs[i].output);
    for (int i = 0; i < 2; ++i) runs[i].exit_code = wait_for_child(children[i]);
    for (const Run& run : runs) {
        fs::remove_all(run.device_root, failure);
        if (run.exit_code < 0 || run.exit_code == exit_bad_usage || run.exit_code == exit_setup_failed) {
            std::fputs(read_text(run.output).c_str(), stderr);
            say("the " + std::string(run.name) + " run of " + options.script.string() +
                " could not be made (exit code " + std::to_string(run.exit_code) + "); it is kept in " +
                folder.string());
            return exit_setup_failed;
        }
    }

    auto names = [](const Run& run) {
        return LogSubstitutions {{run.device_root.string(), "<device root>"}, {run.record.string(), "<record>"}};
    };
    RecordingComparison comparison = compare_recordings(runs[0].record, runs[1].record, names(runs[0]), names(runs[1]));
    if (runs[0].exit_code != runs[1].exit_code)
        comparison.differences.push_back("the first run ended with code " + std::to_string(runs[0].exit_code) +
            ", the second with " + std::to_string(runs[1].exit_code));
    if (!comparison.same()) {
        say("the two runs of " + options.script.string() + " differ:");
        for (const auto& difference : comparison.differences) std::fprintf(stderr, "  %s\n", difference.c_str());
        say("both runs are kept in " + folder.string());
        return exit_check_failed;
    }
    say("the two runs of " + options.script.string() + " are the same: " + std::to_string(comparison.frames) +
        " frames, " + std::to_string(comparison.samples) + " samples of sound, " +
        std::to_string(comparison.log_lines) + " lines of events.log; both ended with code " +
        std::to_string(runs[0].exit_code) + (keep ? " (kept in " + folder.string() + ")" : ""));
    if (!keep) fs::remove_all(folder, failure);
    return 0;
}

}  // namespace platform::host
