// Reading reply lines: numbers, multi-line markers, line ends and reply values.

#include "net/ftp_reply.h"

#include <gtest/gtest.h>

namespace mondeliar::net {
namespace {

TEST(ParseReplyNumber, ReadsCodeAndContinuation)
{
    const struct {
        const char* line;
        bool digit;
        int code;
        bool continued;
    } rows[] = {
        {"220 ready", true, 220, false},
        {"220-Welcome", true, 220, true},
        {"230", true, 230, false},
        {" 230 x", false, 230, false},  // not a reply line, number still read
        {"Welcome aboard", false, 0, false},
        {"", false, 0, false},
        {"99999999999999999999 x", true, 2147483647, false},  // saturates instead of overflowing
    };
    for (const auto& row : rows) {
        const ReplyNumber number = ParseReplyNumber(row.line);
        EXPECT_EQ(number.starts_with_digit, row.digit) << row.line;
        EXPECT_EQ(number.code, row.code) << row.line;
        EXPECT_EQ(number.continued, row.continued) << row.line;
    }
}

TEST(FindReplyLineEnd, LfAloneEndsALineOnlyWithAcceptLf)
{
    const std::string crlf = "220 ok\r\nrest";
    const std::string lf = "220 ok\nrest";
    EXPECT_EQ(FindReplyLineEnd(crlf.data(), crlf.size(), false), 7u);
    EXPECT_EQ(FindReplyLineEnd(crlf.data(), crlf.size(), true), 7u);
    EXPECT_EQ(FindReplyLineEnd(lf.data(), lf.size(), true), 6u);
    EXPECT_EQ(FindReplyLineEnd(lf.data(), lf.size(), false), std::string::npos);
    EXPECT_EQ(StripLineEnd("220 ok\r\r\n"), "220 ok");
}

TEST(ReplyValues, QuotedNamesSizesAndPassivePorts)
{
    EXPECT_EQ(ExtractQuotedName("257 \"/home/a \"\"b\"\"\" created"), "/home/a \"b\"");
    EXPECT_EQ(ExtractQuotedName("250 OK"), "");
    long long size = 0;
    EXPECT_TRUE(ParseSizeReply("213 5242880", &size));
    EXPECT_EQ(size, 5242880);
    EXPECT_FALSE(ParseSizeReply("213 unknown", &size));
    const struct {
        const char* line;
        int port;  // 0: malformed
    } rows[] = {
        {"227 Entering Passive Mode (127,0,0,1,12,229).", 3301},
        {"227 =(10,0,0,9,0,21)", 21},
        {"227 Entering Passive Mode 127,0,0,1,12,229", 0},
        {"227 (127,0,0,1,300,1)", 0},
        {"227 (127,0,0,1,12)", 0},
        {"227 (", 0},
    };
    for (const auto& row : rows) {
        int port = 0;
        EXPECT_EQ(ParsePasvPort(row.line, &port), row.port != 0) << row.line;
        if (row.port != 0) {
            EXPECT_EQ(port, row.port);
        }
    }
}

TEST(ClassifyReply, FollowsTheFirstDigit)
{
    EXPECT_EQ(ClassifyReply(150), ReplyClass::Preliminary);
    EXPECT_EQ(ClassifyReply(226), ReplyClass::Completion);
    EXPECT_EQ(ClassifyReply(331), ReplyClass::Intermediate);
    EXPECT_EQ(ClassifyReply(426), ReplyClass::TransientNegative);
    EXPECT_EQ(ClassifyReply(553), ReplyClass::PermanentNegative);
    EXPECT_EQ(ClassifyReply(42), ReplyClass::Unknown);
}

}  // namespace
}  // namespace mondeliar::net
