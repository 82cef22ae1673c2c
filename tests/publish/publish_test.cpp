// Publishing a calendar with mondeliar-cli to a real FTP server (pyftpdlib) on loopback.

#include "base/files.h"
#include "net/ftp_client.h"
#include "publish/publish_fixture.h"
#include "support/tls_certificates.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::WriteFile;

TEST_F(PublishTest, StoresTheFourteenPagesInOneSession)
{
    ASSERT_TRUE(server.Running());
    Configure();
    RunResult result = Publish("--verbose");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(SplitLines(result.err).back(), "Calendar files sent to 127.0.0.1");
    EXPECT_EQ(ServerFiles(), Sorted(EnglishPages));
    // No TYPE is sent, so the server stores in ASCII type: CR LF arrives as LF.
    for (const std::string& page : EnglishPages)
        EXPECT_EQ(ServerFile(page), WithoutCarriageReturns(ReadFile(dir / "site/" + page))) << page;

    std::vector<std::string> commands = Commands(result.err);
    ASSERT_EQ(commands.size(), 2u + 2 * 14 + 1);
    EXPECT_EQ(commands[0], "USER tester");
    EXPECT_EQ(commands[1], "PASS ********");
    for (std::size_t i = 0; i < EnglishPages.size(); ++i) {
        EXPECT_EQ(commands[2 + 2 * i].rfind("PORT 127,0,0,1,", 0), 0u) << commands[2 + 2 * i];
        EXPECT_EQ(commands[3 + 2 * i], "STOR /" + EnglishPages[i]);
    }
    EXPECT_EQ(commands.back(), "QUIT");
    EXPECT_EQ(result.err.find("secret"), std::string::npos) << "the password never shows";
}

TEST_F(PublishTest, MonthNumbersOrNoMonthPartNameTheUploads)
{
    ASSERT_TRUE(server.Running());
    Configure({{"HTMLFILENAME", "2"}, {"FILEEXTENSION", ".htm"}, {"FTPREMOTEDIR", "/www/"}});
    std::filesystem::create_directory(server.Root() + "/www");
    RunResult result = Publish();
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> expected = {"calendar.htm", "current.htm"};
    for (int month = 1; month <= 12; ++month)
        expected.push_back(std::to_string(month) + ".htm");
    EXPECT_EQ(FilesIn(server.Root() + "/www"), Sorted(expected));

    std::filesystem::remove_all(server.Root() + "/www");
    std::filesystem::create_directory(server.Root() + "/www");
    Configure({{"HTMLFILENAME", "7"}, {"FTPREMOTEDIR", "/www/"}});
    result = Publish();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FilesIn(server.Root() + "/www"),
              (std::vector<std::string>{"calendar.html", "current.html"}));
}

TEST_F(PublishTest, IncompleteFtpSettingsSendAndWriteNothing)
{
    for (const char* key : {"FTPHOST", "FTPPORT", "FTPUSER", "FTPPASSWORD", "FTPREMOTEDIR"}) {
        SCOPED_TRACE(key);
        Configure({{key, ""}});
        RunResult result = Publish();
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "FTP settings are not complete\n");
        EXPECT_TRUE(std::filesystem::is_empty(dir / "site"));
    }
    EXPECT_TRUE(ServerFiles().empty());
}

TEST_F(PublishTest, RefusedPasswordIsReportedAndTheSessionEndsWithQuit)
{
    ASSERT_TRUE(server.Running());
    Configure({{"FTPPASSWORD", "wrong"}});
    RunResult result = Publish("--verbose");
    EXPECT_EQ(result.status, 1);
    std::string message = SplitLines(result.err).back();
    EXPECT_EQ(message.rfind("Calendar files not sent to 127.0.0.1: 0 of 14 files stored. Not "
                            "stored: calendar.html, current.html, January.html",
                            0),
              0u)
        << message;
    EXPECT_NE(message.find("First failure: 530 "), std::string::npos) << message;
    EXPECT_EQ(Commands(result.err),
              (std::vector<std::string>{"USER tester", "PASS ********", "QUIT"}));
}

TEST_F(PublishTest, UnreachableServerIsReportedAtOnce)
{
    int port = 0;
    int listener = net::testing::ListenLoopback(&port);
    ::close(listener);  // nothing listens there any more
    Configure({{"FTPPORT", std::to_string(port)}});
    RunResult result = Publish();
    EXPECT_EQ(result.status, 1);
    std::string message = SplitLines(result.err).back();
    const std::string refused = "First failure: 500 Connection refused (Winsock error #10061)";
    ASSERT_GE(message.size(), refused.size()) << message;
    EXPECT_EQ(message.substr(message.size() - refused.size()), refused);

    Configure({{"FTPHOST", "no-such-host.invalid"}});
    result = Publish();
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Calendar files not sent to no-such-host.invalid: 0 of 14"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("First failure: 500 Host not found (Winsock error #11001)"),
              std::string::npos)
        << result.err;
}

TEST_F(PublishTest, MissingLocalPagesAndRefusedStoresFailOnlyThemselves)
{
    ASSERT_TRUE(server.Running());
    // With the year in the page names the month pages are written as "2002January.html"
    // and so on, but uploaded under their plain names: those local files do not exist.
    Configure({{"ADDYEAR", "TRUE"}});
    std::filesystem::create_directory(server.Root() + "/current.html");  // refuses STOR
    RunResult result = Publish();
    EXPECT_EQ(result.status, 1);
    std::string message = SplitLines(result.err).back();
    EXPECT_EQ(message.rfind("Calendar files not sent to 127.0.0.1: 0 of 14 files stored. "
                            "Not stored: calendar.html, current.html, January.html",
                            0),
              0u)
        << message;
    EXPECT_NE(message.find("First failure: 426 Unable to open local file " + (dir / "site/")
                           + "calendar.html"),
              std::string::npos)
        << message;

    Configure();
    result = Publish();
    EXPECT_EQ(result.status, 1);
    message = SplitLines(result.err).back();
    EXPECT_EQ(message.rfind("Calendar files not sent to 127.0.0.1: 13 of 14 files stored. "
                            "Not stored: current.html. First failure: 550 ",
                            0),
              0u)
        << message;
    EXPECT_EQ(ServerFile("December.html"),
              WithoutCarriageReturns(ReadFile(dir / "site/December.html")));
}

TEST_F(PublishTest, TheFeedIsTheFifteenthFileAndArrivesByteForByte)
{
    ASSERT_TRUE(server.Running());
    Configure({{"ICSFEED", "TRUE"}});
    std::vector<std::string> fields = {"2", "5", "2002", "Meeting, room 1"};
    fields.resize(25);
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "\"" : ",\"") + field + "\"";
    WriteFile(dir / "calendars/default calendar", CrLfLines({line}));

    RunResult result = Publish("--verbose");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(SplitLines(result.err).back(), "Calendar files sent to 127.0.0.1");
    std::vector<std::string> expected = EnglishPages;
    expected.push_back("calendar.ics");
    EXPECT_EQ(ServerFiles(), Sorted(expected));
    std::string feed = ReadFile(dir / "site/calendar.ics");
    EXPECT_NE(feed.find("\r\nSUMMARY:Meeting\\, room 1\r\n"), std::string::npos) << feed;
    EXPECT_EQ(ServerFile("calendar.ics"), feed) << "sent in binary type: CR LF arrives";
    for (const std::string& page : EnglishPages)
        EXPECT_EQ(ServerFile(page), WithoutCarriageReturns(ReadFile(dir / "site/" + page))) << page;

    // The fourteen pages as always, then the type change and the feed.
    std::vector<std::string> commands = Commands(result.err);
    ASSERT_EQ(commands.size(), 2u + 2 * 14 + 3 + 1);
    for (std::size_t i = 0; i < EnglishPages.size(); ++i)
        EXPECT_EQ(commands[3 + 2 * i], "STOR /" + EnglishPages[i]);
    EXPECT_EQ(commands[30], "TYPE I");
    EXPECT_EQ(commands[31].rfind("PORT 127,0,0,1,", 0), 0u) << commands[31];
    EXPECT_EQ(commands[32], "STOR /calendar.ics");
    EXPECT_EQ(commands.back(), "QUIT");
}

// A server that takes 100 bytes of every upload, closes the data connection cleanly and
// still answers 226: no page arrived whole, so none counts as stored.
TEST_F(PublishTest, UploadsCutOffByTheServerAreReportedAsNotStored)
{
    net::testing::ScriptedFtpServer cutter([](net::testing::ScriptedSession& s) {
        std::vector<int> data_connections;
        s.Reply("220 ready\r\n");
        for (std::string command = s.ReadCommand(); !command.empty(); command = s.ReadCommand()) {
            if (command.rfind("USER ", 0) == 0) {
                s.Reply("331 password please\r\n");
            } else if (command.rfind("PASS ", 0) == 0) {
                s.Reply("230 logged on\r\n");
            } else if (command.rfind("PORT ", 0) == 0) {
                s.Reply("200 PORT ok\r\n");
            } else if (command.rfind("STOR ", 0) == 0) {
                s.Reply("150 go ahead\r\n");
                // A small window: however late this thread runs, the page cannot have gone
                // into socket buffers whole before the server's close reaches the client.
                const int data = s.ConnectData(4096);
                net::testing::ReceiveExactly(data, 100);
                ::shutdown(data, SHUT_WR);
                data_connections.push_back(data);
                s.Reply("226 stored\r\n");
            } else if (command == "QUIT") {
                s.Reply("221 bye\r\n");
                break;
            }
        }
        for (int data : data_connections)
            ::close(data);
    });
    // Pages far larger than what the socket buffers take in while the client notices.
    std::string header;
    while (header.size() < (1u << 20))
        header += "<!-- a long page header, line after line -->\r\n";
    WriteFile(dir / "header.html", header);
    WriteFile(dir / "footer.html", "</BODY></HTML>\r\n");
    Configure({{"FTPPORT", std::to_string(cutter.Port())},
               {"HTMLOPTION", "1"},
               {"HEADERFILE", dir / "header.html"},
               {"FOOTERFILE", dir / "footer.html"}});
    RunResult result = Publish("--verbose");
    EXPECT_EQ(result.status, 1) << result.err;
    std::string message = SplitLines(result.err).back();
    EXPECT_EQ(message.rfind("Calendar files not sent to 127.0.0.1: 0 of 14 files stored. Not "
                            "stored: calendar.html, current.html, January.html, February.html",
                            0),
              0u)
        << message;
    // Cut off while sending, or after the whole page had gone into the send buffer.
    EXPECT_NE(message.find("First failure: 426 "), std::string::npos) << message;
    EXPECT_NE(message.find(dir / "site/calendar.html"), std::string::npos) << message;
    EXPECT_EQ(result.err.find("Calendar files sent to"), std::string::npos);
    EXPECT_TRUE(cutter.Finish());
}

// Over TLS the pages go after TYPE I and arrive as written, in active and in passive mode;
// the settings file's keys and the command line's options both switch it on.
TEST_F(PublishTest, StoresTheFourteenPagesOverTlsByteForByte)
{
    const auto& certificates = mondeliar::testing::TestCertificates::Get();
    ASSERT_TRUE(certificates.Ready());
    const auto cert = certificates.SelfSigned();
    net::testing::PyFtpServer tls(cert.CertFile, cert.KeyFile);
    ASSERT_TRUE(tls.Running());
    const struct {
        const char* name;
        std::map<std::string, std::string> settings;
        std::string options;
        const char* transfer;
    } rows[] = {
        {"active, from the settings", {{"FTPTLS", "TRUE"}}, "--verbose", "PORT 127,0,0,1,"},
        {"passive, from the command line", {}, "--verbose --tls --passive", "PASV"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::map<std::string, std::string> settings = row.settings;
        settings["FTPPORT"] = std::to_string(tls.Port());
        settings["FTPTLSFINGERPRINT"] = cert.Fingerprint;
        Configure(settings);
        RunResult result = Publish(row.options);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(SplitLines(result.err).back(), "Calendar files sent to 127.0.0.1");
        EXPECT_EQ(FilesIn(tls.Root()), Sorted(EnglishPages));
        for (const std::string& page : EnglishPages)
            EXPECT_EQ(ReadFile(tls.Root() + "/" + page), ReadFile(dir / "site/" + page)) << page;
        std::vector<std::string> commands = Commands(result.err);
        ASSERT_EQ(commands.size(), 6u + 2 * 14 + 1);
        EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 6),
                  (std::vector<std::string>{"AUTH TLS", "USER tester", "PASS ********", "PBSZ 0",
                                            "PROT P", "TYPE I"}));
        for (std::size_t i = 0; i < EnglishPages.size(); ++i) {
            EXPECT_EQ(commands[6 + 2 * i].rfind(row.transfer, 0), 0u) << commands[6 + 2 * i];
            EXPECT_EQ(commands[7 + 2 * i], "STOR /" + EnglishPages[i]);
        }
        EXPECT_EQ(CountPrefix(SplitLines(result.err), "! TLS data connection, session resumed"),
                  14u);
        for (const std::string& page : EnglishPages)
            std::filesystem::remove(tls.Root() + "/" + page);
    }
}

// A certificate check that fails ends the publish before the password goes out, and says
// which fingerprint the server offered, ready to paste.
TEST_F(PublishTest, AFailedCertificateCheckSendsNoPassword)
{
    const auto& certificates = mondeliar::testing::TestCertificates::Get();
    ASSERT_TRUE(certificates.Ready());
    const auto cert = certificates.SelfSigned();
    net::testing::PyFtpServer tls(cert.CertFile, cert.KeyFile);
    ASSERT_TRUE(tls.Running());
    Configure({{"FTPPORT", std::to_string(tls.Port())},
               {"FTPTLSFINGERPRINT", certificates.SignedForOtherHost().Fingerprint}});
    RunResult result = Publish("--verbose --tls");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(Commands(result.err), std::vector<std::string>{"AUTH TLS"});
    const std::string message = SplitLines(result.err).back();
    EXPECT_NE(message.find("0 of 14 files stored"), std::string::npos) << message;
    EXPECT_NE(message.find("First failure: 500 TLS certificate check failed for 127.0.0.1: "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("fingerprint " + cert.Fingerprint), std::string::npos) << message;
    EXPECT_TRUE(FilesIn(tls.Root()).empty());
}

TEST_F(PublishTest, PassiveModeFromTheSettingsIsKeptWithoutComment)
{
    ASSERT_TRUE(server.Running());
    Configure({{"FTPPASSIVE", "TRUE"}});
    RunResult result = Publish("--verbose");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(SplitLines(result.err).back(), "Calendar files sent to 127.0.0.1");
    std::vector<std::string> commands = Commands(result.err);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "PASV"), 14);
    EXPECT_EQ(CountPrefix(commands, "PORT"), 0u);
    EXPECT_EQ(CountPrefix(commands, "TYPE"), 0u);
}

enum class ActiveTrouble {
    RefusePort,
    Refuse425,
    NeverConnect,
    Refuse425OnceWithoutPasv,  // one 425, then active mode works; PASV is not implemented
};

// Serves whole publishes; active mode fails as `trouble` says, passive mode works. The
// names stored arrive in `stored`.
void ServeWithActiveTrouble(net::testing::ScriptedSession& s, ActiveTrouble trouble,
                            std::vector<std::string>* stored)
{
    s.Reply("220 ready\r\n");
    bool passive = false;
    bool refused425 = false;
    for (std::string command = s.ReadCommand(); !command.empty(); command = s.ReadCommand()) {
        if (command.rfind("USER ", 0) == 0) {
            s.Reply("331 password please\r\n");
        } else if (command.rfind("PASS ", 0) == 0) {
            s.Reply("230 logged on\r\n");
        } else if (command.rfind("PORT ", 0) == 0) {
            passive = false;
            s.Reply(trouble == ActiveTrouble::RefusePort ? "500 PORT not allowed\r\n"
                                                         : "200 PORT ok\r\n");
        } else if (command == "PASV" && trouble == ActiveTrouble::Refuse425OnceWithoutPasv) {
            s.Reply("502 Command not implemented\r\n");
        } else if (command == "PASV") {
            passive = true;
            s.Reply(s.OpenPassive());
        } else if (command.rfind("STOR ", 0) == 0 && !passive
                   && trouble == ActiveTrouble::Refuse425OnceWithoutPasv && refused425) {
            s.Reply("150 go ahead\r\n");
            const int data = s.ConnectData();
            net::testing::ReceiveUntilClosed(data);
            ::close(data);
            s.Reply("226 stored\r\n");
            stored->push_back(command.substr(6));
        } else if (command.rfind("STOR ", 0) == 0 && !passive) {
            refused425 = true;
            const bool refuse = trouble == ActiveTrouble::Refuse425
                                || trouble == ActiveTrouble::Refuse425OnceWithoutPasv;
            s.Reply(refuse ? "425 Can't open data connection.\r\n"
                           : "150 go ahead\r\n");  // and no more
        } else if (command.rfind("STOR ", 0) == 0) {
            s.Reply("150 go ahead\r\n");
            const int data = s.AcceptPassiveData();
            net::testing::ReceiveUntilClosed(data);
            ::close(data);
            s.Reply("226 stored\r\n");
            stored->push_back(command.substr(6));
        } else if (command == "QUIT") {
            s.Reply("221 bye\r\n");
            break;
        }
    }
}

// Active mode fails for the first page; the session goes passive for the rest, the page is
// sent again, and the closing message tells the user.
TEST_F(PublishTest, FailingActiveModeSwitchesToPassiveAndRetriesThePage)
{
    const struct {
        const char* name;
        ActiveTrouble trouble;
        std::vector<std::string> first_commands;  // from the one after PASS
        std::size_t stores;
        std::string reason;
    } rows[] = {
        {"PORT refused",
         ActiveTrouble::RefusePort,
         {"PORT", "PASV", "STOR /calendar.html", "PASV", "STOR /current.html"},
         14,
         "the server refused PORT"},
        {"425 to STOR",
         ActiveTrouble::Refuse425,
         {"PORT", "STOR /calendar.html", "PASV", "STOR /calendar.html", "PASV"},
         15,
         "the server could not open the data connection"},
        {"no data connection within the time-out",
         ActiveTrouble::NeverConnect,
         {"PORT", "STOR /calendar.html", "USER tester", "PASS secret", "PASV",
          "STOR /calendar.html", "PASV"},
         15,
         "the server's data connection did not arrive"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> stored;
        net::testing::ScriptedFtpServer scripted(
            [&](net::testing::ScriptedSession& s) {
                ServeWithActiveTrouble(s, row.trouble, &stored);
            },
            row.trouble == ActiveTrouble::NeverConnect ? 2 : 1);
        Configure({{"FTPPORT", std::to_string(scripted.Port())}});
        testing::RecordingMessages messages;
        CalendarContext context(ExecutableFolder(), dir.Path(), Date{2002, 2, 5}, messages);
        StartUp(context);
        std::vector<std::string> log;
        PublishRequest request;
        request.SessionLog = [&log](const std::string& line) { log.push_back(line); };
        request.TimeoutSeconds = 1;
        const PublishOutcome outcome = PublishCalendar(context, request);
        EXPECT_TRUE(outcome.Succeeded) << outcome.Message;
        EXPECT_EQ(outcome.Message, "Calendar files sent to 127.0.0.1 (passive mode)");
        ASSERT_TRUE(scripted.Finish());
        EXPECT_EQ(stored, EnglishPages);
        std::vector<std::string> commands = scripted.Commands();
        ASSERT_GT(commands.size(), 2 + row.first_commands.size());
        for (std::size_t i = 0; i < row.first_commands.size(); ++i)
            EXPECT_EQ(commands[2 + i].rfind(row.first_commands[i], 0), 0u) << commands[2 + i];
        EXPECT_EQ(CountPrefix(commands, "PORT"), 1u);
        EXPECT_EQ(CountPrefix(commands, "STOR"), row.stores);
        EXPECT_EQ(CountPrefix(log, "! Switching to passive mode for the rest of the session: "
                                       + row.reason),
                  1u);
    }
}

// When passive mode fails too (this server knows no PASV), the session goes back to active
// mode: only the page in hand is lost.
TEST_F(PublishTest, PassiveModeThatFailsTooGoesBackToActiveModeForTheRest)
{
    std::vector<std::string> stored;
    net::testing::ScriptedFtpServer scripted([&](net::testing::ScriptedSession& s) {
        ServeWithActiveTrouble(s, ActiveTrouble::Refuse425OnceWithoutPasv, &stored);
    });
    Configure({{"FTPPORT", std::to_string(scripted.Port())}});
    const PublishOutcome outcome = PublishHere(1);
    ASSERT_TRUE(scripted.Finish());
    EXPECT_EQ(outcome.Message,
              "Calendar files not sent to 127.0.0.1: 13 of 14 files stored. Not stored: "
              "calendar.html. First failure: 502 Command not implemented");
    EXPECT_EQ(stored, std::vector<std::string>(EnglishPages.begin() + 1, EnglishPages.end()));
    EXPECT_EQ(CountPrefix(log, "! Passive mode failed too: back to active mode"), 1u);
}

TEST(PublishNames, MaskedSessionLineHidesOnlyThePassword)
{
    EXPECT_EQ(MaskedSessionLine("> PASS s3cret"), "> PASS ********");
    EXPECT_EQ(MaskedSessionLine("> USER tester"), "> USER tester");
    EXPECT_EQ(MaskedSessionLine("< 230 Login successful."), "< 230 Login successful.");
}

}  // namespace
}  // namespace mondeliar
