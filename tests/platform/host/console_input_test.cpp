// The console's channels driven by real clients on the loopback port, with
// the test as the UI thread: it takes lines and hands answers over.
#include "platform/host/console_input.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own allocator keeps this count (GCC ships no
// header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace platform::host;
using namespace std::chrono_literals;

namespace {

std::size_t bytes_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

class Client {
public:
    // A small receive buffer makes answers pile up at the console soon.
    explicit Client(int port, int receive_buffer = 0)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receive_buffer) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(std::uint16_t(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~Client() { ::close(fd_); }
    int fd() const { return fd_; }

    void send(const std::string& text)
    {
        EXPECT_EQ(::send(fd_, text.data(), text.size(), MSG_NOSIGNAL), ssize_t(text.size()));
    }
    // The next line, or nothing at the end of the connection or after 10 s.
    std::optional<std::string> line()
    {
        std::string text;
        char c;
        pollfd watched {fd_, POLLIN, 0};
        while (::poll(&watched, 1, 10000) > 0) {
            if (::recv(fd_, &c, 1, 0) != 1) return std::nullopt;
            if (c == '\n') return text;
            text += c;
        }
        return std::nullopt;
    }

private:
    int fd_ = -1;
};

std::unique_ptr<ConsoleInput> open(ConsoleLimits limits = {})
{
    auto input = ConsoleInput::open_port(0, limits);
    if (!input) {
        ADD_FAILURE() << input.failure().text();
        return nullptr;
    }
    return std::move(*input);
}

bool has_notice(const std::vector<std::string>& notices, const std::string& words)
{
    for (const auto& notice : notices)
        if (notice.find(words) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(ConsoleLineReader, GivesWholeLinesAndMarksOverlongOnes)
{
    ConsoleLineReader reader;
    std::vector<ConsoleText> lines;
    auto feed = [&](std::string_view data) {
        while (!data.empty()) {
            std::optional<ConsoleText> line;
            data.remove_prefix(reader.take(data, line));
            if (line) lines.push_back(*line);
        }
    };
    feed("tap 1 2\r\n\nwa");
    feed("it 5\n");
    feed(std::string(ConsoleLineReader::longest_line, 'a') + "\n");
    feed(std::string(ConsoleLineReader::longest_line + 1, 'b'));
    feed(std::string(100000, 'b') + "\nquit");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].text, "tap 1 2");
    EXPECT_EQ(lines[1].text, "");
    EXPECT_EQ(lines[2].text, "wait 5");
    EXPECT_FALSE(lines[3].too_long);
    EXPECT_EQ(lines[3].text.size(), ConsoleLineReader::longest_line);
    EXPECT_TRUE(lines[4].too_long);
    EXPECT_EQ(lines[4].text, std::string(ConsoleLineReader::shown_of_too_long, 'b'));
    auto last = reader.finish();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->text, "quit");
    EXPECT_FALSE(reader.finish().has_value());

    feed("half a line");
    reader.reset();
    feed("mkey\n");
    EXPECT_EQ(lines.back().text, "mkey");
}

TEST(ConsoleInput, GreetsOneClientAndTellsAnotherItIsBusy)
{
    auto input = open();
    Client first(input->port());
    EXPECT_EQ(first.line(), ConsoleInput::greeting);
    first.send("near on\n");
    auto line = input->next_line(10000);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->text, "near on");

    Client second(input->port());
    auto busy = second.line();
    ASSERT_TRUE(busy.has_value());
    EXPECT_NE(busy->find("busy"), std::string::npos) << *busy;
    EXPECT_FALSE(second.line().has_value()) << "the second client is closed";

    // The first client is served on.
    input->answer(*line, "OK");
    EXPECT_EQ(first.line(), "OK");
    auto notices = input->take_notices();
    EXPECT_TRUE(has_notice(notices, "client 1 connected"));
    EXPECT_TRUE(has_notice(notices, "turned away"));
}

TEST(ConsoleInput, APortInUseIsRefusedNamingIt)
{
    auto first = open();
    ASSERT_NE(first, nullptr);
    std::string place = "127.0.0.1:" + std::to_string(first->port());
    auto second = ConsoleInput::open_port(first->port());
    ASSERT_FALSE(second);
    EXPECT_EQ(second.failure().where, place);
    EXPECT_EQ(second.failure().text(), place + ": cannot listen for the console: Address already in use");
}

TEST(ConsoleInput, AClientThatDoesNotReadIsDroppedWithoutStoppingTheAnswers)
{
    ConsoleLimits limits;
    limits.waiting_answer_bytes = 16 * 1024;
    auto input = open(limits);
    Client client(input->port(), 4096);
    // Commands in a stream, answers never read: the answers fill the socket
    // and then the console's buffer for it.
    const std::string answer(16 * 1024, 'K');
    auto answering = std::async(std::launch::async, [&] {
        int answered = 0;
        while (auto line = input->next_line(2000)) {
            input->answer(*line, answer);
            ++answered;
        }
        return answered;
    });
    std::string commands;
    for (int i = 0; i < 2000; ++i) commands += "screenshot a-file-name-long-enough-to-matter.png\n";
    client.send(commands);
    ASSERT_EQ(answering.wait_for(60s), std::future_status::ready) << "answering blocked";
    int answered = answering.get();
    EXPECT_LT(answered, 2000) << "the commands of a dropped client are not run";
    EXPECT_TRUE(has_notice(input->take_notices(), "client 1 dropped: it does not read its answers"));
    // What reached the client ends, and the port takes the next one.
    ::shutdown(client.fd(), SHUT_RD);
    Client next(input->port());
    EXPECT_EQ(next.line(), ConsoleInput::greeting);
}

TEST(ConsoleInput, AFloodOfLinesWaitsInTheSenderNotInMemory)
{
    auto input = open();
    Client client(input->port());
    ASSERT_EQ(client.line(), ConsoleInput::greeting);
    const std::size_t lines = 1u << 20;
    std::size_t before = bytes_in_use();
    std::atomic<std::size_t> sent {0};
    std::thread sender([&] {
        std::string empty_lines(64 * 1024, '\n');
        for (std::size_t done = 0; done < lines; done += empty_lines.size()) {
            ::send(client.fd(), empty_lines.data(), empty_lines.size(), MSG_NOSIGNAL);
            sent = done + empty_lines.size();
        }
    });
    // Wait until the sender has sent all or is held back.
    std::size_t seen = 0;
    for (int quiet = 0; quiet < 5 && sent < lines;) {
        std::this_thread::sleep_for(100ms);
        quiet = sent == seen ? quiet + 1 : 0;
        seen = sent;
    }
    std::this_thread::sleep_for(200ms);
    std::size_t used = bytes_in_use() - before;
    EXPECT_LT(used, 4u << 20) << "the console holds " << used << " bytes of waiting lines";

    // Nothing is lost: every line arrives as the UI thread takes them.
    std::size_t taken = 0;
    while (taken < lines && input->next_line(5000)) ++taken;
    sender.join();
    EXPECT_EQ(taken, lines);
}

TEST(ConsoleInput, ASilentClientIsClosedButNotOneWaitingForAnAnswer)
{
    ConsoleLimits limits;
    limits.idle = 300ms;
    auto input = open(limits);
    {
        Client client(input->port());
        EXPECT_EQ(client.line(), ConsoleInput::greeting);
        client.send("wait 1000\n");
        auto line = input->next_line(10000);
        ASSERT_TRUE(line.has_value());
        // The command runs longer than the idle time; its answer still comes.
        std::this_thread::sleep_for(700ms);
        input->answer(*line, "OK");
        EXPECT_EQ(client.line(), "OK");
        auto goodbye = client.line();
        ASSERT_TRUE(goodbye.has_value());
        EXPECT_EQ(*goodbye, "velmor console: closed after 300 ms without a command");
        EXPECT_FALSE(client.line().has_value());
    }
    EXPECT_TRUE(has_notice(input->take_notices(), "client 1 closed after 300 ms without a command"));
    Client next(input->port());
    EXPECT_EQ(next.line(), ConsoleInput::greeting);
}

TEST(ConsoleInput, AnOverlongLineComesMarkedAndTheNextOneWhole)
{
    auto input = open();
    Client client(input->port());
    client.send(std::string(100000, 'x') + "\nmkey\n");
    auto first = input->next_line(10000);
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->too_long);
    EXPECT_LE(first->text.size(), ConsoleLineReader::shown_of_too_long);
    auto second = input->next_line(10000);
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(second->too_long);
    EXPECT_EQ(second->text, "mkey");
}
