// The check before the window opens: an X display that does not answer is
// named with the reason, one that answers (a listening port here) passes, and
// values the check does not understand are left to SDL.

#include "platform/host/x_display_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace platform::host;

TEST(XDisplayProbe, NamesADisplayThatDoesNotAnswerAndPassesOneThatDoes)
{
    auto missing = reach_x_display(":987", 500);
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.failure().text().starts_with("the X display :987 does not answer ("))
        << missing.failure().text();

    // A server of our own on the port of some display number over TCP.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int number = -1;
    for (int candidate = 150; candidate < 250 && number < 0; ++candidate) {
        address.sin_port = htons(std::uint16_t(6000 + candidate));
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) number = candidate;
    }
    ASSERT_GE(number, 0) << "no free port for a display";
    ASSERT_EQ(listen(listener, 1), 0);
    std::string display = "127.0.0.1:" + std::to_string(number) + ".0";
    EXPECT_TRUE(reach_x_display(display, 500));
    close(listener);
    auto gone = reach_x_display(display, 500);
    ASSERT_FALSE(gone);
    EXPECT_NE(gone.failure().text().find(display), std::string::npos) << gone.failure().text();

    auto nowhere = reach_x_display("no-such-host.invalid:0", 500);
    ASSERT_FALSE(nowhere);
    EXPECT_EQ(nowhere.failure().text(), "the X display no-such-host.invalid:0 names a host that cannot be found");
    EXPECT_TRUE(reach_x_display("wayland-0", 500));
    EXPECT_TRUE(reach_x_display(":x", 500));
    EXPECT_TRUE(reach_x_display("host/unix:1", 500));
}
