// The phone's sensors, keys and broadcasts driven from outside a running
// program that reacts to them: by a script, by commands typed on standard
// input and by a client on the console's TCP port. The program says what it
// felt on the debug output, which the event log keeps as trace lines.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/host/run_folder.h"

namespace {

std::filesystem::path fresh_folder()
{
    auto folder = test_run_folder("velmor-device-");
    std::filesystem::create_directories(folder / "root" / "Windows");
    return folder;
}

void write_text(const std::filesystem::path& file, const std::string& text) { std::ofstream(file) << text; }

// The program's ring: half a second of an 8-bit mono square wave.
void write_ring(const std::filesystem::path& folder)
{
    const std::uint32_t rate = 8000, samples = 4000;
    std::string data;
    for (std::uint32_t i = 0; i < samples; ++i) data += char((i / 8) % 2 ? 200 : 56);
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    std::string wav = "RIFF" + u32(36 + samples) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) + u32(rate) +
        u16(1) + u16(8) + "data" + u32(samples) + data;
    std::ofstream(folder / "root" / "Windows" / "ring.wav", std::ios::binary) << wav;
}

// The event log's lines that mention one of the words, without the time.
std::vector<std::string> lines_with(const std::string& log, const std::vector<std::string>& words)
{
    std::vector<std::string> found;
    std::istringstream stream(log);
    std::string line;
    while (std::getline(stream, line)) {
        auto text = line.size() > 14 ? line.substr(14) : line;
        for (const auto& word : words)
            if (text.find(word) != std::string::npos) {
                found.push_back(text);
                break;
            }
    }
    return found;
}

// A running velmor with its standard streams on pipes.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const std::filesystem::path& folder)
    {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return;
        std::vector<std::string> all = {VELMOR_REACTING_PROGRAM};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
            if (chdir(folder.c_str()) != 0) _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        input_ = in[1];
        output_ = out[0];
        errors_ = err[0];
    }
    ~Child()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {input_, output_, errors_})
            if (fd >= 0) close(fd);
    }

    void type(const std::string& line)
    {
        std::string text = line + "\n";
        ASSERT_EQ(write(input_, text.data(), text.size()), ssize_t(text.size()));
    }
    void end_input()
    {
        close(input_);
        input_ = -1;
    }

    // The next line on standard output (or error), waiting up to 20 s.
    std::optional<std::string> answer() { return line_from(output_, output_buffer_); }
    std::optional<std::string> error_line() { return line_from(errors_, errors_buffer_); }

    int wait_for_exit(int timeout_s = 30)
    {
        int status = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    static std::optional<std::string> line_from(int fd, std::string& buffer)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            if (auto end = buffer.find('\n'); end != std::string::npos) {
                std::string line = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                return line;
            }
            int left =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                        .count());
            if (left <= 0) return std::nullopt;
            pollfd watched {fd, POLLIN, 0};
            if (poll(&watched, 1, left) <= 0) return std::nullopt;
            char chunk[512];
            ssize_t count = read(fd, chunk, sizeof chunk);
            if (count <= 0) return std::nullopt;
            buffer.append(chunk, std::size_t(count));
        }
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    int input_ = -1, output_ = -1, errors_ = -1;
    std::string output_buffer_, errors_buffer_;
};

struct Outcome {
    int exit_code = -1;
    std::string errors;
};

Outcome run_script(const std::filesystem::path& folder, const std::string& script)
{
    write_text(folder / "s.txt", script);
    Child child({"--headless", "--device-root", "root", "--script", "s.txt", "--record", "record"}, folder);
    Outcome outcome;
    outcome.exit_code = child.wait_for_exit();
    while (auto line = child.error_line()) outcome.errors += *line + "\n";
    return outcome;
}

const std::vector<std::string> reactions = {"trace reaction", "script line"};

}  // namespace

TEST(DeviceRun, AScriptShakesTogglesProximityRingsAndPressesTheMKey)
{
    auto folder = fresh_folder();
    write_ring(folder);
    auto outcome = run_script(folder,
        "wait 100\n"
        "shake 500\n"
        "wait 600\n"
        "near on\n"
        "wait 50\n"
        "near off\n"
        "call begin\n"
        "wait 50\n"
        "expect-sound ring.wav playing\n"
        "call end\n"
        "wait 10\n"
        "expect-sound ring.wav stopped\n"
        "mkey\n"
        "wait 1000\n"
        "expect-exit 7\n");
    // The program ended with the expected 7, so the run passes.
    EXPECT_EQ(outcome.exit_code, 0) << outcome.errors;
    std::string log = read_text(folder / "record" / "events.log");
    auto seen = lines_with(log, reactions);
    std::vector<std::string> expected = {
        "trace reaction: ready",
        "script line 2: shake 500 ms",
        "trace reaction: shaking",
        "trace reaction: still",
        "script line 4: near on (1 reports)",
        "trace reaction: near",
        "script line 6: near off (1 reports)",
        "trace reaction: far",
        "script line 7: call begin",
        "trace reaction: call 1",
        "script line 9: expect-sound ring.wav playing",
        "script line 10: call end",
        "trace reaction: call 2",
        "script line 12: expect-sound ring.wav stopped",
        "script line 13: mkey",
        "trace reaction: M key, leaving",
    };
    EXPECT_EQ(seen, expected) << log;
    // Each reaction at the time of its command: the shake is felt at once,
    // the proximity report within the same millisecond.
    EXPECT_NE(log.find("      700 ms  trace reaction: near"), std::string::npos) << log;
    EXPECT_NE(log.find("shell M key: answer 2, the program leaves the front"), std::string::npos) << log;
    EXPECT_NE(log.find("sound started \\Windows\\ring.wav"), std::string::npos) << log;
    EXPECT_NE(log.find("expect-exit 7 matches"), std::string::npos) << log;
    EXPECT_NE(log.find("exit code 7"), std::string::npos) << log;
    // A recording captures the sound by default.
    EXPECT_GT(std::filesystem::file_size(folder / "record" / "sound.wav"), 44u);
    EXPECT_NE(read_text(folder / "record" / "sounds.log").find("ring.wav"), std::string::npos);
}

TEST(DeviceRun, FailedSoundAndExitExpectationsEndTheRunWithOne)
{
    auto folder = fresh_folder();
    write_ring(folder);
    auto outcome = run_script(folder, "expect-exit 3\nwait 10\nexpect-sound ring.wav playing\nmkey\nwait 100\n");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_NE(outcome.errors.find("s.txt:3: expect-sound: ring.wav is not playing, expected playing; playing now: "
                                  "nothing"),
        std::string::npos)
        << outcome.errors;
    EXPECT_NE(outcome.errors.find("the program ended with code 7, expected 3 (s.txt:1)"), std::string::npos)
        << outcome.errors;

    // The script ends before the program does: the host's quit gives 0.
    outcome = run_script(folder, "wait 10\nexpect-exit 7\n");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_NE(outcome.errors.find("the program ended with code 0, expected 7"), std::string::npos) << outcome.errors;

    outcome = run_script(folder, "call begin\nwait 10\nexpect-sound RING.WAV stopped\ncall end\nexpect-exit 0\n");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_NE(outcome.errors.find("RING.WAV is playing, expected stopped; playing now: \\Windows\\ring.wav (looping)"),
        std::string::npos)
        << outcome.errors;
}

TEST(DeviceRun, TheConsoleOnStandardInputAnswersEachCommand)
{
    auto folder = fresh_folder();
    write_ring(folder);
    Child child({"--headless", "--device-root", "root", "--console", "--record", "record"}, folder);
    // In virtual time nothing moves between commands: the answers come in
    // order, each after its command ran.
    const std::pair<std::string, std::string> exchanges[] = {
        {"near on", "OK"},
        {"near sideways", "KO: near: expects on or off, not \"sideways\""},
        {"fly 3", "KO: fly: unknown command"},
        {"call begin", "OK"},
        {"expect-sound ring.wav playing", "OK"},
        {"wait 250", "OK"},
        {"call end", "OK"},
        {"expect-sound ring.wav playing",
            "KO: expect-sound: ring.wav is not playing, expected playing; playing "
            "now: nothing"},
        {"expect-exit 7", "OK"},
        {"", "OK"},
        {std::string(5000, 'x'), "KO: the line is longer than 4096 bytes; it was not run"},
        {"mkey", "OK"},
    };
    for (const auto& [command, expected] : exchanges) {
        child.type(command);
        auto answer = child.answer();
        ASSERT_TRUE(answer.has_value()) << command;
        EXPECT_EQ(*answer, expected) << command;
    }
    // The program left at the M key with 7, as expected; the failed
    // expect-sound still makes the run fail.
    EXPECT_EQ(child.wait_for_exit(), 1);
    std::string log = read_text(folder / "record" / "events.log");
    auto seen = lines_with(log, {"trace reaction", "console <"});
    std::vector<std::string> expected = {"trace reaction: ready", "console < near on", "trace reaction: near",
        "console < near sideways", "console < fly 3", "console < call begin", "trace reaction: call 1",
        "console < expect-sound ring.wav playing", "console < wait 250", "console < call end", "trace reaction: call 2",
        "console < expect-sound ring.wav playing", "console < expect-exit 7", "console < ",
        "console < " + std::string(64, 'x') + "... (too long)", "console < mkey", "trace reaction: M key, leaving"};
    EXPECT_EQ(seen, expected) << log;
    // Time moved only by the wait.
    EXPECT_NE(log.find("      250 ms  console < call end"), std::string::npos) << log;
}

TEST(DeviceRun, TheConsoleOnATcpPortTakesOneClientAfterAnother)
{
    auto folder = fresh_folder();
    Child child({"--headless", "--device-root", "root", "--console-port", "0"}, folder);
    int port = 0;
    std::regex announced(R"(console on 127\.0\.0\.1:(\d+))");
    while (auto line = child.error_line()) {
        std::smatch match;
        if (std::regex_search(*line, match, announced)) {
            port = std::stoi(match[1]);
            break;
        }
    }
    ASSERT_NE(port, 0) << "the console's port was not announced";

    auto connect_client = [port]() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(std::uint16_t(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
        return fd;
    };
    auto exchange = [](int fd, const std::string& command) {
        std::string text = command + "\n";
        EXPECT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), ssize_t(text.size()));
        std::string answer;
        char c;
        pollfd watched {fd, POLLIN, 0};
        while (poll(&watched, 1, 20000) > 0 && recv(fd, &c, 1, 0) == 1 && c != '\n') answer += c;
        return answer;
    };

    auto greeting = [](int fd) {
        std::string line;
        char c;
        pollfd watched {fd, POLLIN, 0};
        while (poll(&watched, 1, 20000) > 0 && recv(fd, &c, 1, 0) == 1 && c != '\n') line += c;
        return line;
    };
    int first = connect_client();
    EXPECT_EQ(greeting(first), "velmor console: one command a line, each answered OK or KO: reason");
    EXPECT_EQ(exchange(first, "tilt 0 64 0"), "OK");
    EXPECT_EQ(exchange(first, "tilt 0 64"), "KO: tilt: expects X Y Z, got 2 arguments");
    close(first);
    // A second client after the first has left; the phone ran on meanwhile.
    int second = connect_client();
    EXPECT_EQ(greeting(second), "velmor console: one command a line, each answered OK or KO: reason");
    EXPECT_EQ(exchange(second, "wait 100"), "OK");
    EXPECT_EQ(exchange(second, "quit"), "OK");
    close(second);
    // quit asks the program to end with 0.
    EXPECT_EQ(child.wait_for_exit(), 0);
}
