#include "base/errors.h"
#include "cli/cli_options.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

CliOptions Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "mondeliar-cli");
    return ParseCliOptions(static_cast<int>(arguments.size()), arguments.data());
}

std::string ParseError(std::vector<const char*> arguments)
{
    return testing::RaisedText<Error>([&] { Parse(arguments); });
}

TEST(CliOptions, ReadsCommandsAndOptionsInAnyOrder)
{
    CliOptions options = Parse({"--calendar", "club", "--today", "2002-02-05", "write"});
    EXPECT_EQ(options.Command, CliCommand::Write);
    EXPECT_EQ(options.Calendar, "club");
    EXPECT_EQ(options.Today, (Date{2002, 2, 5}));
    EXPECT_FALSE(options.Verbose);

    options = Parse({"publish", "--verbose"});
    EXPECT_EQ(options.Command, CliCommand::Publish);
    EXPECT_TRUE(options.Verbose);
    EXPECT_FALSE(options.Calendar);

    EXPECT_FALSE(options.Passive);
    EXPECT_FALSE(options.Tls);

    options = Parse({"--tls", "publish", "--passive"});
    EXPECT_TRUE(options.Passive);
    EXPECT_TRUE(options.Tls);

    EXPECT_EQ(Parse({"write", "--help"}).Command, CliCommand::Help);
    EXPECT_EQ(Parse({"write", "--version"}).Command, CliCommand::Version);
    EXPECT_EQ(Parse({"--data", "~/cal", "write"}).Data, "~/cal");
}

TEST(CliOptions, MistakesSayWhatIsWrong)
{
    struct Case {
        std::vector<const char*> arguments;
        std::string error;
    } cases[] = {
        {{}, "No command given (try --help)"},
        {{"print"}, "Unknown command \"print\" (try --help)"},
        {{"write", "publish"}, "Only one command may be given (try --help)"},
        {{"--colour", "write"}, "Unknown option --colour (try --help)"},
        {{"write", "--calendar"}, "The option --calendar needs a value"},
        {{"write", "--data"}, "The option --data needs a value"},
        {{"--today", "2002-02-30", "write"},
         "--today needs a date written YYYY-MM-DD, not \"2002-02-30\""},
        {{"--today", "5.2.2002", "write"},
         "--today needs a date written YYYY-MM-DD, not \"5.2.2002\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseError(c.arguments), c.error);
}

TEST(CliOptions, DatesMustExist)
{
    EXPECT_EQ(ParseIsoDate("2000-02-29"), (Date{2000, 2, 29}));
    EXPECT_FALSE(ParseIsoDate("1900-02-29"));
    EXPECT_FALSE(ParseIsoDate("2002-13-01"));
    EXPECT_FALSE(ParseIsoDate("0000-01-01"));
    EXPECT_FALSE(ParseIsoDate("2002-1-01"));
    EXPECT_FALSE(ParseIsoDate("2002-01-0x"));
}

}  // namespace
}  // namespace mondeliar
