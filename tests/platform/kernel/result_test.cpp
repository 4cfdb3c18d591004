#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/kernel/result.h"

using platform::Failure;
using platform::failure_at;
using platform::Result;

namespace {

Result<int> parse_digit(char c)
{
    if (c < '0' || c > '9') return failure_at("digit", std::string("'") + c + "' is not a digit");
    return c - '0';
}

TEST(ResultTest, CarriesAValueOrAFailureWithItsPlace)
{
    Result<int> good = parse_digit('7');
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, 7);

    Result<int> bad = parse_digit('x');
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.failure().message, "'x' is not a digit");
    EXPECT_EQ(bad.failure().where, "digit");
    EXPECT_EQ(bad.failure().text(), "digit: 'x' is not a digit");
    EXPECT_EQ(Failure {"no device root"}.text(), "no device root");
}

TEST(ResultTest, MovesItsValueOutWithoutCopying)
{
    Result<std::unique_ptr<int>> held = std::make_unique<int>(5);
    std::unique_ptr<int> taken = std::move(held).value();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 5);

    // A string value and a failure stay apart even though both hold text.
    Result<std::string> text = std::string("fine");
    EXPECT_TRUE(text.ok());
    EXPECT_EQ(text->size(), 4u);
}

TEST(ResultTest, AStepWithoutAValueSucceedsUntilGivenAFailure)
{
    Result<void> done;
    EXPECT_TRUE(done);
    Result<void> refused = failure_at("hive.reg", "is read-only");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure().text(), "hive.reg: is read-only");
}

TEST(ResultDeathTest, AskingAFailureForItsValueStops)
{
    Result<int> bad = parse_digit('?');
    EXPECT_DEATH((void)bad.value(), "");
    Result<void> done;
    EXPECT_DEATH((void)done.failure(), "");
}

}  // namespace
