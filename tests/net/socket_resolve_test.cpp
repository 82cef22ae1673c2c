// Error texts, the errno mapping, and host/port/protocol resolution.

#include "net/socket_resolve.h"
#include "net/winsock_errors.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>

namespace mondeliar::net {
namespace {

TEST(WinsockErrorText, GivesTheTableTextOrNotAWinsockError)
{
    const struct {
        int number;
        const char* text;
    } rows[] = {
        {0, "No Error"},
        {10004, "Interrupted system call"},
        {10035, "Operation would block"},
        {10047, "Address family not supported by protocol family"},
        {10054, "Connection reset by peer"},
        {10057, "Socket is not connected"},
        {10059, "Too many references: can't splice"},
        {10061, "Connection refused"},
        {10069, "Disc quota exceeded"},
        {10093, "WinSock not initialized"},
        {11001, "Host not found"},
        {11004, "No Data"},
        {10010, "Not a WinSock error"},
        {-1, "Not a WinSock error"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WinsockErrorText(row.number), row.text) << row.number;
}

TEST(WinsockError, MapsSystemErrorsToTheTableNumbers)
{
    const struct {
        ErrorOrigin origin;
        int code;
        int expected;
    } rows[] = {
        {ErrorOrigin::Errno, ECONNREFUSED, 10061},  {ErrorOrigin::Errno, ECONNRESET, 10054},
        {ErrorOrigin::Errno, ENOTCONN, 10057},      {ErrorOrigin::Errno, EWOULDBLOCK, 10035},
        {ErrorOrigin::Errno, EINPROGRESS, 10036},   {ErrorOrigin::Errno, EADDRINUSE, 10048},
        {ErrorOrigin::Errno, EPIPE, 10053},         {ErrorOrigin::Errno, ETIMEDOUT, 10060},
        {ErrorOrigin::Errno, EHOSTUNREACH, 10065},  {ErrorOrigin::Errno, 0, 0},
        {ErrorOrigin::Resolver, EAI_NONAME, 11001}, {ErrorOrigin::Resolver, EAI_AGAIN, 11002},
        {ErrorOrigin::Resolver, EAI_FAIL, 11003},   {ErrorOrigin::Resolver, EAI_NODATA, 11004},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WinsockError(row.origin, row.code), row.expected) << row.code;
}

TEST(DottedAddress, RecognisesOnlyTheFourPartShape)
{
    const struct {
        const char* text;
        bool dotted;
        const char* normalised;  // nullptr: does not parse
    } rows[] = {
        {"127.0.0.1", true, "127.0.0.1"},
        {" 10.1.2.3 ", true, "10.1.2.3"},
        {"010.001.000.009", true, "10.1.0.9"},
        {"255.255.255.255", true, "255.255.255.255"},
        {"300.1.1.1", true, nullptr},
        {"1.2.3", false, nullptr},
        {"1.2.3.4.5", false, nullptr},
        {".1.2.3", false, nullptr},
        {"1..2.3", false, nullptr},
        {"1.2.3.", false, nullptr},
        {"host.example", false, nullptr},
        {"", false, nullptr},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(WSocketIsDottedIP(row.text), row.dotted) << row.text;
        in_addr address{};
        const bool parsed = ParseDottedAddress(row.text, &address);
        EXPECT_EQ(parsed, row.normalised != nullptr) << row.text;
        if (parsed) {
            EXPECT_EQ(FormatDottedAddress(address), row.normalised);
        }
    }
}

std::string ErrorOf(const std::function<void()>& call)
{
    return mondeliar::testing::RaisedText<ESocketException>(call, "(no error)");
}

TEST(Resolution, PortsAndProtocolsByNumberOrName)
{
    EXPECT_EQ(WSocketResolvePort("ftp", "tcp"), 21);
    EXPECT_EQ(WSocketResolvePort("21", "tcp"), 21);
    EXPECT_EQ(WSocketResolvePort("  8021", "tcp"), 8021);
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto("17"), 17);
    EXPECT_EQ(FormatDottedAddress(WSocketResolveHost(" 127.0.0.1")), "127.0.0.1");
}

TEST(Resolution, RefusalsCarryTheirTexts)
{
    const std::string long_text(32, 'x');
    const std::string too_long_host(257, 'h');
    const struct {
        std::function<void()> call;
        std::string text;
    } rows[] = {
        {[] { WSocketResolvePort("", "tcp"); }, "WSocketResolvePort: Invalid Port."},
        {[&] { WSocketResolvePort(long_text, "tcp"); }, "WSocketResolvePort: Invalid Port."},
        {[] { WSocketResolvePort("70000", "tcp"); }, "WSocketResolvePort: Invalid Port."},
        {[] { WSocketResolvePort("21", ""); }, "WSocketResolvePort: Invalid Proto."},
        {[] { WSocketResolvePort("nosuchservice", "tcp"); },
         "WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004"},
        {[] { WSocketResolveProto(""); }, "WSocketResolveProto: Invalid Protocol."},
        {[] { WSocketResolveProto("nosuchproto"); },
         "WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004"},
        {[] { WSocketResolveHost(""); }, "WSocketResolveHost: '' Invalid Hostname."},
        {[&] { WSocketResolveHost(too_long_host); },
         "WSocketResolveHost: '" + too_long_host + "' Invalid Hostname."},
        {[] { WSocketResolveHost("300.1.1.1"); },
         "WSocketResolveHost: '300.1.1.1' Invalid IP address."},
        {[] { WSocketResolveHost("nosuchhost.invalid"); },
         "WSocketResolveHost: Cannot convert host address 'nosuchhost.invalid', Error #11001"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ErrorOf(row.call), row.text);
}

}  // namespace
}  // namespace mondeliar::net
