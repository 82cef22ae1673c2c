// The FTP client against a scripted server, for what a real server will not
// do: odd greetings and replies, replies in either order, silence, a line
// without an end, an abrupt close. Each case checks the commands the client
// sent and the result it reports.

#include "net/ftp_client.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace mondeliar::net {
namespace {

using namespace testing;
using Commands = std::vector<std::string>;

bool Store(TFtpClient& client, const std::string& local, const std::string& remote)
{
    client.SetLocalFileName(local);
    client.SetHostFileName(remote);
    return client.StoreFile();
}

// What the client has seen of a store, set from its thread: the scripted server waits for it
// to give the data connection and the 150 reply in a known order.
struct StoreSeen {
    std::atomic<bool> data_connected{false};  // the client took the data connection
    std::atomic<bool> reply_read{false};      // the client read the 150
};

class ScriptedFtp : public ::testing::Test {
protected:
    void SetUp() override
    {
        client.OnDisplay = [this](const std::string& line) {
            log.push_back(line);
            if (line == "< 150 go ahead")
                seen.reply_read = true;
        };
        client.DataConnection().OnChangeState = [this](TSocketState, TSocketState now) {
            if (now == wsConnected)
                seen.data_connected = true;
        };
    }
    void Use(const ScriptedFtpServer& server) { Aim(client, server); }
    // A store whose data connection and 150 reach the client in the order given (the client's
    // flags start cleared).
    FtpScript StoreInOrder(bool connect_before_reply)
    {
        seen.data_connected = seen.reply_read = false;
        return connect_before_reply ? FtpScript().On("STOR").DataBeforeReply(seen.data_connected)
                                    : FtpScript().On("STOR").DataAfterReply(seen.reply_read);
    }
    bool Logged(const std::string& line) const
    {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    bool LoggedPrefix(const std::string& prefix) const { return CountPrefix(log, prefix) > 0; }

    TempDir dir;
    TFtpClient client;
    std::vector<std::string> log;
    StoreSeen seen;
};

TEST_F(ScriptedFtp, MultiLineGreetingIsLoggedWholeAndTheSessionOpensOnItsLastLine)
{
    ScriptedFtpServer server(FtpScript()
                                 .OnGreeting()
                                 .Reply("220-Welcome\r\n220-to the test\r\n220 ready\r\n")
                                 .On("PASS")
                                 .Reply("230-Hello\r\n230-more\r\n230 done\r\n"));
    Use(server);
    std::vector<std::string> states;
    client.OnStateChange = [&] { states.push_back(FtpStateName(client.State())); };

    ASSERT_TRUE(client.OpenSession()) << client.ErrorMessage();
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(Logged("< 220-Welcome") && Logged("< 220-to the test") && Logged("< 220 ready"));
    EXPECT_TRUE(Logged("< 230 done"));
    EXPECT_FALSE(Logged("< 230-Hello"));  // only a reply's final line is logged
    EXPECT_EQ(states,
              (std::vector<std::string>{"fstResolving", "fstWaitGreeting", "fstConnected",
                                        "fstBetweenSteps", "fstWaitReply", "fstBetweenSteps",
                                        "fstWaitReply", "fstBetweenSteps", "fstReady"}));
    states.clear();
    EXPECT_TRUE(client.QuitSession());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(states, (std::vector<std::string>{"fstWaitReply", "fstDisconnected",
                                                "fstBetweenSteps", "fstReady"}));
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Commands(), (Commands{"USER u", "PASS p", "QUIT"}));
}

TEST_F(ScriptedFtp, LogOnOutcomes)
{
    const struct {
        const char* name;
        FtpScript script;
        bool ok;
        bool connected_after;
        std::string error;
        Commands commands;
    } rows[] = {
        {"greeting 421",
         FtpScript().OnGreeting().Reply("421 Too many users\r\n").ThenClose(),
         false,
         false,
         "421 Too many users",
         {}},
        {"USER answered 230",
         FtpScript().On("USER").Reply("230 no password needed\r\n"),
         true,
         true,
         "",
         {"USER u"}},
        {"PASS refused",
         FtpScript().On("PASS").Reply("530 Login incorrect.\r\n"),
         false,
         true,
         "530 Login incorrect.",
         {"USER u", "PASS p"}},
        {"LF line ends accepted",
         FtpScript()
             .OnGreeting()
             .Reply("220 hi\n")
             .On("USER")
             .Reply("331 pw\n")
             .On("PASS")
             .Reply("230 ok\n"),
         true,
         true,
         "",
         {"USER u", "PASS p"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server(row.script);
        TFtpClient client;
        Aim(client, server);
        client.SetOptions(ftpAcceptLF);
        EXPECT_EQ(client.OpenSession(), row.ok);
        EXPECT_EQ(client.ErrorMessage(), row.error);
        EXPECT_EQ(client.Connected(), row.connected_after);
        if (client.Connected()) {
            EXPECT_TRUE(client.QuitSession());
        }
        ASSERT_TRUE(server.Finish());
        Commands sent = server.Commands();
        if (!sent.empty() && sent.back() == "QUIT")
            sent.pop_back();
        EXPECT_EQ(sent, row.commands);
    }
}

TEST_F(ScriptedFtp, OpenSessionWhileOpenIsRefused)
{
    ScriptedFtpServer server;
    Use(server);
    ASSERT_TRUE(client.OpenSession());
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "FTP component already connected");
    EXPECT_TRUE(client.QuitSession());
}

TEST_F(ScriptedFtp, UsageErrorOfALaterStepFailsTheRequest)
{
    ScriptedFtpServer server;
    Use(server);
    client.SetPassWord("");
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "500 FtpException: Password emtpy");
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(client.QuitSession());
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Commands(), (Commands{"USER u", "QUIT"}));
}

TEST_F(ScriptedFtp, AnAbortBetweenTheStepsOfARequestEndsItThere)
{
    ScriptedFtpServer server;
    Use(server);
    client.OnStateChange = [this] {
        if (client.State() == FtpSessionState::fstBetweenSteps)
            client.AbortSession();
    };
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "426 Operation aborted.");
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
    EXPECT_FALSE(client.Connected());
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Commands(), Commands{});
}

TEST_F(ScriptedFtp, RefusedStartLeavesTheClientReady)
{
    client.SetHostName("");
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "DNS lookup: invalid host name.");
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
    ScriptedFtpServer server;
    Use(server);
    EXPECT_TRUE(client.OpenSession()) << client.ErrorMessage();
    EXPECT_TRUE(client.QuitSession());
}

TEST_F(ScriptedFtp, WithoutAcceptLfLfOnlyRepliesNeverComplete)
{
    ScriptedFtpServer server(FtpScript().OnGreeting().Reply("220 hi\n"));
    Use(server);
    client.SetOptions(0);
    client.SetTimeout(1);
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "426 Timeout");
    EXPECT_EQ(client.ReplyCode(), 426);
    EXPECT_FALSE(client.Connected());
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(ScriptedFtp, SilentServerEndsTheWaitAfterTimeout)
{
    ScriptedFtpServer server(FtpScript().On("USER").Silent());
    Use(server);
    client.SetTimeout(1);
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "426 Timeout");
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
    EXPECT_FALSE(client.Connected());
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Commands(), Commands{"USER u"});
}

TEST_F(ScriptedFtp, QuitWithoutSessionWritesNothingAndTimesOut)
{
    client.SetTimeout(1);
    EXPECT_FALSE(client.QuitSession());
    EXPECT_EQ(client.ErrorMessage(), "426 Timeout");
    EXPECT_TRUE(Logged("> QUIT"));
}

TEST_F(ScriptedFtp, ReplyLineLongerThanTheBufferClosesTheConnection)
{
    ScriptedFtpServer server(FtpScript().On("USER").Reply("331 " + std::string(5000, 'x')));
    Use(server);
    EXPECT_FALSE(client.OpenSession());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.ErrorMessage(), "426 Connection closed");
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Commands(), Commands{"USER u"});
}

TEST_F(ScriptedFtp, ConnectionFailuresReportTheSocketError)
{
    const int closed_port = ClosedLoopbackPort();
    const struct {
        std::string host, port, error;
        int request_error;
    } rows[] = {
        {"127.0.0.1", std::to_string(closed_port), "500 Connection refused (Winsock error #10061)",
         10061},
        {"nosuchhost.invalid", "21", "500 Host not found (Winsock error #11001)", 11001},
    };
    for (const auto& row : rows) {
        TFtpClient client;
        int done_error = -1;
        client.OnRequestDone = [&](TFtpRequest, int error) { done_error = error; };
        client.SetHostName(row.host);
        client.SetPort(row.port);
        client.SetUserName("u");
        client.SetPassWord("p");
        EXPECT_FALSE(client.OpenSession());
        EXPECT_EQ(client.ErrorMessage(), row.error);
        EXPECT_EQ(client.State(), FtpSessionState::fstReady);
        EXPECT_TRUE(WaitUntil([&] { return done_error != -1; }));
        EXPECT_EQ(done_error, row.request_error);
        // Every later store fails at once, as nothing is connected.
        client.SetLocalFileName("/etc/hostname");
        EXPECT_FALSE(client.StoreFile());
        EXPECT_EQ(client.ErrorMessage(), "FTP component not connected");
    }
}

TEST_F(ScriptedFtp, StoreSendsTheFileOnceWhateverOrderReplyAndConnectionArrive)
{
    const struct {
        const char* name;
        size_t size;
        bool connect_before_reply;
    } rows[] = {
        {"150 after the connection", 5000, true},
        {"150 before the connection", 5000, false},
        {"exactly one chunk", 1460, true},
        {"empty file", 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string content = PatternBytes(row.size);
        WriteFile(dir / "page.html", content);
        ScriptedFtpServer server(StoreInOrder(row.connect_before_reply));
        Use(server);
        log.clear();
        ASSERT_TRUE(client.OpenSession());
        EXPECT_TRUE(Store(client, dir / "page.html", "/www/page.html")) << client.ErrorMessage();
        EXPECT_TRUE(client.QuitSession());
        ASSERT_TRUE(server.Finish());
        const std::string received = server.File("/www/page.html");
        EXPECT_TRUE(received == content) << received.size() << " bytes received";
        EXPECT_TRUE(LoggedPrefix("! " + std::to_string(row.size) + " bytes received/sent in "));
        const Commands sent = server.Commands();
        ASSERT_EQ(sent.size(), 5u);
        EXPECT_EQ(sent[2].rfind("PORT 127,0,0,1,", 0), 0u) << sent[2];
        EXPECT_EQ(sent[3], "STOR /www/page.html");
    }
}

TEST_F(ScriptedFtp, RefusedStoreThenAGoodStoreInTheSameSession)
{
    WriteFile(dir / "a.html", "first");
    ScriptedFtpServer server(FtpScript()
                                 .On("STOR")
                                 .Only(1)
                                 .Reply("553 Not allowed.\r\n")
                                 .On("STOR")
                                 .DataAfterReply(seen.reply_read));
    Use(server);
    ASSERT_TRUE(client.OpenSession());
    EXPECT_FALSE(Store(client, dir / "a.html", "/forbidden/a.html"));
    EXPECT_EQ(client.ErrorMessage(), "553 Not allowed.");
    EXPECT_EQ(client.ReplyCode(), 553);
    client.SetHostFileName("/a.html");
    EXPECT_TRUE(client.StoreFile()) << client.ErrorMessage();
    EXPECT_EQ(client.ErrorMessage(), "");
    EXPECT_TRUE(client.QuitSession());
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.File("/a.html"), "first");
    const Commands sent = server.Commands();
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[3], "STOR /forbidden/a.html");
    EXPECT_EQ(sent[5], "STOR /a.html");
}

TEST_F(ScriptedFtp, MissingLocalFileFailsBeforeStor)
{
    ScriptedFtpServer server;
    Use(server);
    ASSERT_TRUE(client.OpenSession());
    EXPECT_FALSE(Store(client, dir / "never-written.html", "/x.html"));
    EXPECT_EQ(client.ErrorMessage(),
              "426 Unable to open local file " + (dir / "never-written.html"));
    EXPECT_TRUE(Logged("! 426 Unable to open local file " + (dir / "never-written.html")));
    EXPECT_TRUE(client.QuitSession());
    ASSERT_TRUE(server.Finish());
    const Commands sent = server.Commands();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3], "QUIT");
}

TEST_F(ScriptedFtp, AbruptCloseInTheMiddleOfATransferFailsTheStore)
{
    WriteFile(dir / "big.bin", PatternBytes(4u << 20));
    ScriptedFtpServer server(
        FtpScript().On("STOR").CutData(20000, DataCut::Reset).FinalReply("").ThenClose());
    Use(server);
    ASSERT_TRUE(client.OpenSession());
    EXPECT_FALSE(Store(client, dir / "big.bin", "/big.bin"));
    EXPECT_EQ(client.ErrorMessage().rfind("426 ", 0), 0u) << client.ErrorMessage();
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
}

// --- hostile servers ---------------------------------------------------------------

// A server that cuts the upload off must not make it read as stored, whether the rest of
// the file was still on the disk (a large page) or already in the system's send buffer
// (a small one, handed over whole before the server's close arrived).
TEST_F(ScriptedFtp, CutOffUploadIsAFailedStoreNamingTheFile)
{
    struct Case {
        const char* name;
        std::size_t size;
        DataCut cut;           // after 100 bytes, and still a 226
        std::string expected;  // in ErrorMessage
    };
    const std::string file = dir / "page.html";
    const Case cases[] = {
        {"large page, FIN after 100 bytes", 4u << 20, DataCut::Fin, " of 4194304 bytes of " + file},
        {"large page, reset after 100 bytes", 4u << 20, DataCut::Reset, "426 "},
        {"small page, FIN after 100 bytes", 1000, DataCut::Fin,
         "426 The server closed the data connection before " + file + " was complete"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(file, PatternBytes(c.size));
        ScriptedFtpServer server(FtpScript().On("STOR").CutData(100, c.cut));
        Use(server);
        ASSERT_TRUE(client.OpenSession());
        EXPECT_FALSE(Store(client, file, "/page.html"));
        EXPECT_EQ(client.ErrorMessage().rfind("426 ", 0), 0u) << client.ErrorMessage();
        EXPECT_NE(client.ErrorMessage().find(c.expected), std::string::npos)
            << client.ErrorMessage();
        EXPECT_TRUE(client.Connected());
        EXPECT_TRUE(client.QuitSession());
        ASSERT_TRUE(server.Finish());
    }
}

TEST_F(ScriptedFtp, AnErrorThatDropsTheDataConnectionFailsTheStore)
{
    // An exception in the data connection's event handling ends in the background-error
    // path, which closes the connection and reports the close with error 0.
    const std::string file = dir / "page.html";
    WriteFile(file, PatternBytes(100000));
    ScriptedFtpServer server(StoreInOrder(true));
    Use(server);
    client.OnProgress = [](long long count, bool&) {
        if (count > 0)
            throw std::runtime_error("disk gone");
    };
    ASSERT_TRUE(client.OpenSession());
    EXPECT_FALSE(Store(client, file, "/page.html"));
    EXPECT_EQ(client.ErrorMessage(), "426 Only 1460 of 100000 bytes of " + file + " were sent")
        << client.ErrorMessage();
    EXPECT_TRUE(client.QuitSession());
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.File("/page.html").size(), 1460u);
}

TEST_F(ScriptedFtp, ActiveDataPortServesOnlyTheServer)
{
    const std::string content = PatternBytes(20000);
    WriteFile(dir / "page.html", content);
    // A third party on another address reaches the announced port first; the server's data
    // connection comes after it in the port's queue.
    ScriptedFtpServer server(FtpScript().On("PORT").Intruder("127.0.0.2"));
    Use(server);
    ASSERT_TRUE(client.OpenSession());
    EXPECT_TRUE(Store(client, dir / "page.html", "/page.html")) << client.ErrorMessage();
    EXPECT_TRUE(client.QuitSession());
    ASSERT_TRUE(server.Finish());
    const std::string stolen = server.IntruderBytes(), received = server.File("/page.html");
    EXPECT_TRUE(stolen.empty()) << stolen.size() << " bytes went to the third party";
    EXPECT_TRUE(received == content) << received.size() << " bytes received";
    EXPECT_TRUE(LoggedPrefix("! Refused a data connection from 127.0.0.2:"));
    EXPECT_EQ(server.Commands()[2].rfind("PORT 127,0,0,1,", 0), 0u);
}

TEST_F(ScriptedFtp, PassiveModeConnectsToTheControlPeerWhateverThe227Names)
{
    const std::string content = PatternBytes(5000);
    WriteFile(dir / "page.html", content);
    // The 227 names an address that is not the server's.
    ScriptedFtpServer server(FtpScript().PassiveAddress("192,0,2,7"));
    Use(server);
    client.SetUsePasv(true);
    ASSERT_TRUE(client.OpenSession());
    EXPECT_TRUE(Store(client, dir / "page.html", "/page.html")) << client.ErrorMessage();
    EXPECT_TRUE(client.QuitSession());
    ASSERT_TRUE(server.Finish());
    const std::string received = server.File("/page.html");
    EXPECT_TRUE(received == content) << received.size() << " bytes received";
    EXPECT_EQ(server.Commands(), (Commands{"USER u", "PASS p", "PASV", "STOR /page.html", "QUIT"}));
}

// Only a 227 to this request's PASV names a data port: any other reply fails the transfer with
// that reply, and the port of an earlier 227 is never tried.
TEST_F(ScriptedFtp, APasvReplyOtherThan227FailsTheTransfer)
{
    const std::string rows[] = {"200 PASV ok", "502 Command not implemented"};
    WriteFile(dir / "page.html", "page");
    client.SetUsePasv(true);
    for (const std::string& pasv_reply : rows) {
        SCOPED_TRACE(pasv_reply);
        ScriptedFtpServer server(FtpScript().On("PASV").Only(2).Reply(pasv_reply + "\r\n"));
        Use(server);
        ASSERT_TRUE(client.OpenSession());
        EXPECT_TRUE(Store(client, dir / "page.html", "/page.html")) << client.ErrorMessage();
        EXPECT_FALSE(client.StoreFile());
        EXPECT_EQ(client.ErrorMessage(), pasv_reply);
        EXPECT_TRUE(client.PassiveModeFailed());
        EXPECT_TRUE(client.QuitSession());
        ASSERT_TRUE(server.Finish());
        EXPECT_EQ(server.Commands(),
                  (Commands{"USER u", "PASS p", "PASV", "STOR /page.html", "PASV", "QUIT"}));
    }
}

// Failures of active mode that passive mode may cure are told apart from the others. A
// server whose data connection never comes fails the store within Timeout (before the wait
// itself gives up), and the session ends, since the replies it still owes would answer the
// next command.
TEST_F(ScriptedFtp, ActiveModeFailuresThatPassiveModeMayCure)
{
    const struct {
        const char* name;
        FtpScript script;
        ActiveModeFailure failure;
        std::string error;
        bool connected_after;
    } rows[] = {
        {"PORT refused", FtpScript().On("PORT").Reply("500 PORT not allowed\r\n"),
         ActiveModeFailure::PortRefused, "500 PORT not allowed", true},
        {"PORT refused for now", FtpScript().On("PORT").Reply("450 not now\r\n"),
         ActiveModeFailure::None, "450 not now", true},
        {"425 to STOR", FtpScript().On("STOR").Reply("425 Can't open data connection.\r\n"),
         ActiveModeFailure::DataRefused, "425 Can't open data connection.", true},
        {"550 to STOR", FtpScript().On("STOR").Reply("550 Permission denied.\r\n"),
         ActiveModeFailure::None, "550 Permission denied.", true},
        {"no data connection", FtpScript().On("STOR").NoDataConnection(),
         ActiveModeFailure::NoDataConnection,
         "425 No data connection from the server within 1 second", false},
    };
    WriteFile(dir / "page.html", "page");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer server(row.script);
        TFtpClient client;
        Aim(client, server);
        client.SetTimeout(1);
        ASSERT_TRUE(client.OpenSession());
        EXPECT_FALSE(Store(client, dir / "page.html", "/page.html"));
        EXPECT_EQ(client.LastActiveModeFailure(), row.failure);
        EXPECT_EQ(client.ErrorMessage(), row.error);
        EXPECT_EQ(client.Connected(), row.connected_after);
        EXPECT_EQ(client.State(), FtpSessionState::fstReady);
        if (client.Connected()) {
            EXPECT_TRUE(client.QuitSession());
        }
        ASSERT_TRUE(server.Finish());
    }
}

// The server sends without pause; the client must still give up after Timeout. The flood
// stops early only when the client closes the connection (else after 20 s).
TEST_F(ScriptedFtp, EndlessGreetingEndsWithTimeout)
{
    std::string lines;
    while (lines.size() < 65536)
        lines += "220-x\r\n";
    ScriptedFtpServer server(FtpScript().OnGreeting().Reply(lines).Flood());
    Use(server);
    client.OnDisplay = nullptr;
    client.SetTimeout(1);
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage(), "426 Timeout");
    EXPECT_FALSE(client.Connected());
    ASSERT_TRUE(server.Finish(30000));
    EXPECT_TRUE(server.FloodEndedByClient());
}

TEST_F(ScriptedFtp, DataConnectionThatKeepsSendingEndsWithTimeout)
{
    WriteFile(dir / "big.bin", PatternBytes(8u << 20));
    ScriptedFtpServer server(
        FtpScript().On("STOR").FloodData(PatternBytes(65536)).FinalReply("").ThenClose());
    Use(server);
    ASSERT_TRUE(client.OpenSession());
    client.SetTimeout(1);
    EXPECT_FALSE(Store(client, dir / "big.bin", "/big.bin"));
    EXPECT_EQ(client.ErrorMessage(), "426 Timeout");
    ASSERT_TRUE(server.Finish(30000));
    EXPECT_TRUE(server.FloodEndedByClient());
}

}  // namespace
}  // namespace mondeliar::net
