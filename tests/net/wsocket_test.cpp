// The socket layer on its own: the send queue and OnDataSent, lookup, the
// setters' refusals, connect failures, line mode, SOCKS 5, and the waiting layer.

#include "net/sync_wsocket.h"
#include "test_support.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mondeliar::net {
namespace {

using namespace testing;

// A TWSocket connected to a blocking peer socket owned by the test.
struct ConnectedPair {
    TWSocket socket;
    int peer = -1;

    explicit ConnectedPair()
    {
        int port = 0;
        const int listener = ListenLoopback(&port);
        bool connected = false;
        socket.OnSessionConnected = [&](int error) { connected = error == 0; };
        socket.SetAddr("127.0.0.1");
        socket.SetPort(std::to_string(port));
        socket.Connect();
        peer = AcceptWithTimeout(listener, 5000);
        close(listener);
        WaitUntil([&] { return connected; });
        socket.OnSessionConnected = nullptr;
    }
    ~ConnectedPair()
    {
        if (peer >= 0)
            close(peer);
    }
};

// Runs the event loop until the peer has `count` more bytes back from a socket in line mode
// with LineEcho: the socket has then read what the peer sent.
bool WaitForEcho(ConnectedPair& pair, size_t count)
{
    std::string echoed;
    return WaitUntil([&] {
        char buffer[256];
        const ssize_t n
            = recv(pair.peer, buffer, std::min(sizeof buffer, count - echoed.size()), MSG_DONTWAIT);
        if (n > 0)
            echoed.append(buffer, static_cast<size_t>(n));
        return echoed.size() == count;
    });
}

TEST(WSocketSend, OnDataSentFiresFromTheEventLoopNeverInsideSend)
{
    ConnectedPair pair;
    ASSERT_EQ(pair.socket.State(), wsConnected);
    int sent_events = 0;
    pair.socket.OnDataSent = [&](int error) {
        EXPECT_EQ(error, 0);
        ++sent_events;
    };
    EXPECT_EQ(pair.socket.SendText("hello"), 5);
    EXPECT_EQ(sent_events, 0);
    EXPECT_TRUE(WaitUntil([&] { return sent_events == 1; }));
    EXPECT_EQ(ReceiveExactly(pair.peer, 5), "hello");
}

TEST(WSocketSend, LargeSendToASlowReaderIsQueuedAndDrained)
{
    ConnectedPair pair;
    const std::string payload = PatternBytes(6u << 20);
    int sent_events = 0;
    bool queue_empty_at_every_event = true;
    pair.socket.OnDataSent = [&](int) {
        ++sent_events;
        queue_empty_at_every_event = queue_empty_at_every_event && pair.socket.AllSent();
    };
    ASSERT_EQ(pair.socket.Send(payload.data(), static_cast<int>(payload.size())),
              static_cast<int>(payload.size()));
    EXPECT_FALSE(pair.socket.AllSent());  // the peer reads nothing yet

    std::string received;
    std::thread reader([&] { received = ReceiveExactly(pair.peer, payload.size()); });
    EXPECT_TRUE(WaitUntil([&] { return sent_events > 0; }, 20000));
    reader.join();
    EXPECT_EQ(sent_events, 1);
    EXPECT_TRUE(queue_empty_at_every_event);
    EXPECT_TRUE(received == payload);
}

TEST(WSocketSend, SendWhenNotConnectedRaises)
{
    TWSocket socket;
    try {
        socket.SendText("x");
        FAIL() << "no exception";
    } catch (const ESocketException& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Error 10057 in function Send\r\nSocket is not connected");
    }
    EXPECT_EQ(socket.LastError(), 10057);
}

TEST(WSocketReceive, PeerCloseFiresSessionClosedOnceAndResetsTheSocket)
{
    for (bool handler_closes : {false, true}) {
        SCOPED_TRACE(handler_closes ? "handler closes on end of data" : "socket closes itself");
        ConnectedPair pair;
        std::string received;
        int closed_events = 0;
        pair.socket.OnDataAvailable = [&](int) {
            char buffer[100];
            const int n = pair.socket.Receive(buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, static_cast<size_t>(n));
            else if (n == 0 && handler_closes)
                pair.socket.Close();
        };
        pair.socket.OnSessionClosed = [&](int error) {
            EXPECT_EQ(error, 0);
            ++closed_events;
        };
        SendAll(pair.peer, "bye");
        shutdown(pair.peer, SHUT_WR);
        EXPECT_TRUE(WaitUntil([&] { return closed_events > 0; }));
        WaitUntil([] { return false; }, 50);
        EXPECT_EQ(received, "bye");
        EXPECT_EQ(closed_events, 1);
        EXPECT_EQ(pair.socket.State(), wsClosed);
        EXPECT_EQ(pair.socket.Port(), "");  // defaults restored
    }
}

TEST(WSocketLookup, DottedAddressAnswersBeforeLookupHostReturns)
{
    TWSocket socket;
    int result = -1;
    socket.OnDnsLookupDone = [&](int error) { result = error; };
    socket.LookupHost("127.000.000.001");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
    ASSERT_EQ(socket.DnsResultList().size(), 1u);
}

TEST(WSocketLookup, NamesResolveLaterUnknownOnesFailWith11001)
{
    TWSocket socket;
    int result = -1;
    socket.OnDnsLookupDone = [&](int error) { result = error; };
    socket.LookupHost("localhost");
    EXPECT_EQ(result, -1);  // asynchronous
    ASSERT_TRUE(WaitUntil([&] { return result != -1; }));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");

    result = -1;
    socket.LookupHost("nosuchhost.invalid");
    ASSERT_TRUE(WaitUntil([&] { return result != -1; }));
    EXPECT_EQ(result, 11001);
}

TEST(WSocketLookup, CancelReportsInterrupted)
{
    TWSocket socket;
    std::vector<int> results;
    socket.OnDnsLookupDone = [&](int error) { results.push_back(error); };
    socket.LookupHost("localhost");
    socket.CancelLookup();
    WaitUntil([] { return false; }, 200);  // a late result must be dropped
    EXPECT_EQ(results, std::vector<int>{10004});
}

TEST(WSocketLookup, ResultsOfAbandonedLookupsAreDropped)
{
    // Sockets destroyed while their worker resolves: nothing fires, nothing is touched.
    int fired = 0;
    for (int i = 0; i < 20; ++i) {
        auto socket = std::make_unique<TWSocket>();
        socket->OnDnsLookupDone = [&](int) { ++fired; };
        socket->LookupHost(i % 2 ? "localhost" : "nosuchhost.invalid");
    }
    // A lookup superseded by the next one reports 10004; only the last result counts.
    TWSocket socket;
    std::vector<int> results;
    socket.OnDnsLookupDone = [&](int error) { results.push_back(error); };
    socket.LookupHost("nosuchhost.invalid");
    socket.LookupHost("localhost");
    ASSERT_TRUE(WaitUntil([&] { return results.size() == 2; }));
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(results, (std::vector<int>{10004, 0}));
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
    EXPECT_EQ(fired, 0);
}

// The name (or the failure) is the system's own answer for 127.0.0.1, whatever /etc/hosts
// says of it.
TEST(WSocketLookup, ReverseLookupGivesTheName)
{
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char name[NI_MAXHOST] = {};
    const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback, name,
                               sizeof name, nullptr, 0, NI_NAMEREQD);
    TWSocket socket;
    int result = -1;
    socket.OnDnsLookupDone = [&](int error) { result = error; };
    socket.ReverseDnsLookup("127.0.0.1");
    ASSERT_TRUE(WaitUntil([&] { return result != -1; }));
    EXPECT_EQ(result, rc == 0 ? 0 : WinsockError(ErrorOrigin::Resolver, rc));
    if (rc == 0) {
        EXPECT_EQ(socket.DnsResult(), name);
    }
}

std::string Refusal(const std::function<void()>& call)
{
    return mondeliar::testing::RaisedText<ESocketException>(call, "(accepted)");
}

TEST(WSocketSetters, RefuseChangesUnlessClosed)
{
    TWSocket socket;
    socket.SetAddr("127.0.0.1");
    socket.SetPort("0");
    socket.Listen();
    ASSERT_EQ(socket.State(), wsListening);
    const struct {
        std::function<void()> call;
        const char* text;
    } rows[] = {
        {[&] { socket.SetPort("0"); }, "(accepted)"},  // same value: nothing happens
        {[&] { socket.SetPort("21"); }, "Cannot change Port if not closed"},
        {[&] { socket.SetAddr("10.0.0.1"); }, "Cannot change Addr if not closed"},
        {[&] { socket.SetProto("udp"); }, "Cannot change Proto if not closed"},
        {[&] { socket.SetLocalAddr("127.0.0.1"); }, "Cannot change LocalAddr if not closed"},
        {[&] { socket.SetLocalPort("1234"); }, "Cannot change LocalPort if not closed"},
        {[&] { socket.SetSendFlags(7); }, "Invalid SendFlags"},
        {[&] { socket.Connect(); }, "Connect: Socket already in use"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Refusal(row.call), row.text);
    socket.Close();
    EXPECT_EQ(Refusal([&] { socket.SetLocalAddr("1.2.3"); }), "SetLocalAddr(): Invalid IP address");
    socket.SetLocalAddr("");
    EXPECT_EQ(socket.LocalAddr(), "0.0.0.0");
}

TEST(WSocketConnect, MissingTargetIsRefused)
{
    TWSocket socket;
    EXPECT_EQ(Refusal([&] { socket.Connect(); }), "Connect: No Port Specified");
    socket.SetPort("21");
    EXPECT_EQ(Refusal([&] { socket.Connect(); }), "Connect: No IP Address Specified");
    socket.SetAddr("127.0.0.1");
    socket.SetProto("");
    EXPECT_EQ(Refusal([&] { socket.Connect(); }), "Connect: No Protocol Specified");
    socket.SetProto("tcp");
    socket.SetPort("nosuchservice");
    EXPECT_EQ(Refusal([&] { socket.Connect(); }),
              "connect: WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
    EXPECT_EQ(Refusal([&] { socket.Listen(); }),
              "listen: WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
}

TEST(WSocketConnect, RefusedConnectionReportsThroughTheConnectEvent)
{
    int port = 0;
    close(ListenLoopback(&port));  // nothing listens there any more
    TWSocket socket;
    std::vector<TSocketState> states;
    int connect_error = -1;
    socket.OnChangeState = [&](TSocketState, TSocketState now) { states.push_back(now); };
    socket.OnSessionConnected = [&](int error) { connect_error = error; };
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(port));
    socket.Connect();
    ASSERT_TRUE(WaitUntil([&] { return connect_error != -1; }));
    EXPECT_EQ(connect_error, 10061);
    EXPECT_EQ(socket.State(), wsClosed);
    ASSERT_GE(states.size(), 4u);
    EXPECT_EQ(std::vector<TSocketState>(states.begin(), states.begin() + 4),
              (std::vector<TSocketState>{wsOpened, wsConnecting, wsConnected, wsClosed}));
}

TEST(WSocketListen, AcceptAndDupHandOverTheConnection)
{
    TWSocket listener;
    TWSocket served;
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    listener.OnSessionAvailable = [&](int) { served.Dup(listener.Accept()); };
    listener.Listen();
    const int peer = ConnectLoopback(std::stoi(listener.BoundPort()));
    ASSERT_TRUE(WaitUntil([&] { return served.State() == wsConnected; }));
    served.SendText("hi");
    EXPECT_EQ(ReceiveExactly(peer, 2), "hi");
    EXPECT_EQ(served.PeerAddress(), "127.0.0.1");
    close(peer);
}

TEST(WSocketLineMode, SplitsLinesAcrossReadsAndDeliversTheLastPartialLineOnClose)
{
    ConnectedPair pair;
    pair.socket.SetLineMode(true);
    pair.socket.SetLineEcho(true);  // tells the peer what the socket has read
    std::vector<std::string> lines;
    bool closed = false;
    pair.socket.OnDataAvailable = [&](int) {
        char buffer[256];
        const int n = pair.socket.Receive(buffer, sizeof buffer);
        if (n > 0)
            lines.emplace_back(buffer, static_cast<size_t>(n));
    };
    pair.socket.OnSessionClosed = [&](int) { closed = true; };
    SendAll(pair.peer, "one\r\ntw");
    ASSERT_TRUE(WaitForEcho(pair, 7));
    SendAll(pair.peer, "o\r");
    ASSERT_TRUE(WaitForEcho(pair, 2));
    SendAll(pair.peer, "\nthree");
    shutdown(pair.peer, SHUT_WR);
    ASSERT_TRUE(WaitUntil([&] { return closed; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"one\r\n", "two\r\n", "three"}));
}

TEST(WSocketLineMode, LineEndTypedAfterBackspacesIsFound)
{
    // "abc" is searched before the backspaces arrive; the line end they make room for
    // lies in bytes searched once already.
    ConnectedPair pair;
    pair.socket.SetLineMode(true);
    pair.socket.SetLineEdit(true);
    pair.socket.SetLineEcho(true);  // tells the peer what the socket has read
    std::vector<std::string> lines;
    pair.socket.OnDataAvailable = [&](int) {
        char buffer[256];
        const int n = pair.socket.Receive(buffer, sizeof buffer);
        if (n > 0)
            lines.emplace_back(buffer, static_cast<size_t>(n));
    };
    SendAll(pair.peer, "abc");
    ASSERT_TRUE(WaitForEcho(pair, 3));
    SendAll(pair.peer, "\b\b\r\nrest\r\n");
    ASSERT_TRUE(WaitUntil(
        [&] { return !lines.empty() && lines.back().find("rest") != std::string::npos; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"a\r\n", "rest\r\n"}));
}

TEST(WSocketLineMode, OverlongLineIsReportedAndDropped)
{
    ConnectedPair pair;
    pair.socket.SetLineMode(true);
    pair.socket.SetLineLimit(100);
    int exceeded = 0;
    std::vector<std::string> lines;
    pair.socket.OnLineLimitExceeded = [&](int length, bool& clear) {
        EXPECT_GT(length, 100);
        EXPECT_TRUE(clear);
        ++exceeded;
    };
    pair.socket.OnDataAvailable = [&](int) {
        char buffer[256];
        const int n = pair.socket.Receive(buffer, sizeof buffer);
        if (n > 0)
            lines.emplace_back(buffer, static_cast<size_t>(n));
    };
    SendAll(pair.peer, std::string(500, 'x'));
    ASSERT_TRUE(WaitUntil([&] { return exceeded > 0; }));
    SendAll(pair.peer, "ok\r\n");
    ASSERT_TRUE(WaitUntil([&] { return !lines.empty(); }));
    EXPECT_EQ(lines.back(), "ok\r\n");
}

TEST(WSocketSocks, Socks5NegotiatesUserCodeAndConnectsByName)
{
    int port = 0;
    const int listener = ListenLoopback(&port);
    std::string greeting, auth, request;
    std::thread proxy([&] {
        const int fd = AcceptWithTimeout(listener, 5000);
        if (fd < 0)
            return;
        greeting = ReceiveExactly(fd, 4);
        SendAll(fd, std::string("\x05\x02", 2));
        auth = ReceiveExactly(fd, 1 + 1 + 4 + 1 + 6);
        SendAll(fd, std::string("\x01\x00", 2));
        request = ReceiveExactly(fd, 4 + 1 + 12 + 2);
        SendAll(fd, std::string("\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90", 10) + "welcome");
        ReceiveUntilClosed(fd);
        close(fd);
    });
    TWSocket socket;
    int connected = -1, socks_connected = -1;
    std::string data;
    socket.OnSocksConnected = [&](int error) { socks_connected = error; };
    socket.OnSessionConnected = [&](int error) { connected = error; };
    socket.OnDataAvailable = [&](int) {
        char buffer[64];
        const int n = socket.Receive(buffer, sizeof buffer);
        if (n > 0)
            data.append(buffer, static_cast<size_t>(n));
    };
    socket.SetSocksServer("127.0.0.1");
    socket.SetSocksPort(std::to_string(port));
    socket.SetSocksAuthentication(socksAuthenticateUsercode);
    socket.SetSocksUsercode("user");
    socket.SetSocksPassword("secret");
    socket.SetAddr("example.test");
    socket.SetPort("8080");
    socket.Connect();
    EXPECT_TRUE(WaitUntil([&] { return data == "welcome"; }));
    socket.Close();
    proxy.join();
    close(listener);
    EXPECT_EQ(socks_connected, 0);
    EXPECT_EQ(connected, 0);
    EXPECT_EQ(greeting, std::string("\x05\x02\x00\x02", 4));
    EXPECT_EQ(auth, std::string("\x01\x04user\x06secret", 13));
    EXPECT_EQ(request, std::string("\x05\x01\x00\x03\x0c"
                                   "example.test\x1f\x90",
                                   19));
}

TEST(WSocketSocks, RefusalsOfTheSocksLayer)
{
    TWSocket socket;
    EXPECT_EQ(Refusal([&] { socket.SetSocksLevel("6"); }),
              "Invalid socks level. Must be 4, 4A or 5.");
    socket.SetSocksServer("127.0.0.1");
    socket.SetAddr("127.0.0.1");
    socket.SetPort("21");
    EXPECT_EQ(Refusal([&] { socket.Listen(); }), "Listening is not supported thru socks server");
    socket.SetProto("udp");
    EXPECT_EQ(Refusal([&] { socket.Connect(); }),
              "tcp is the only protocol supported thru socks server");
}

TEST(WSocketSync, SyncRunEndsWhenTheFlagIsSetOrWith12001AfterTheTimeOut)
{
    TWSocket socket;
    bool flag = false;
    EXPECT_EQ(socket.SyncRun([&] { QTimer::singleShot(20, [&] { flag = true; }); }, flag, 5000), 0);
    EXPECT_TRUE(flag);
    EXPECT_EQ(socket.SyncRun([] {}, flag, 100), 12001);
    EXPECT_FALSE(flag);
}

}  // namespace
}  // namespace mondeliar::net
