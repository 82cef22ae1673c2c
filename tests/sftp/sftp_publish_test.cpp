// Publishing over SFTP: the fourteen pages to Debian's OpenSSH server, and what a real server
// will not do on request against the scripted paramiko server. Both run on loopback.

#include "publish/publish_fixture.h"
#include "publish/sftp_uploader.h"
#include "support/ssh_servers.h"

#include <thread>

namespace mondeliar {
namespace {

using testing::OpenSshServer;
using testing::ScriptedSftpServer;

const char* const OldPage = "the page the server had";

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A data folder whose default calendar publishes over SFTP into a scratch remote folder, with
// HOME (~/.ssh: known_hosts and the default keys) in a scratch folder too, and no SSH agent.
class SftpPublishTest : public ::testing::Test {
protected:
    SftpPublishTest()
    {
        std::filesystem::create_directories(data / "calendars");
        std::filesystem::create_directories(data / "site");
        std::filesystem::create_directories(home / ".ssh");
        savedHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
        ::setenv("HOME", home.Path().c_str(), 1);
        ::unsetenv("SSH_AUTH_SOCK");
    }
    ~SftpPublishTest() override { ::setenv("HOME", savedHome_.c_str(), 1); }

    void Configure(int port, std::map<std::string, std::string> changes)
    {
        std::map<std::string, std::string> values = {
            {"HTMLPATH", data / "site/"}, {"FTPHOST", "127.0.0.1"},
            {"FTPPORT", std::to_string(port)}, {"FTPUSER", "tester"},
            {"FTPREMOTEDIR", remote.Path()}, {"SFTP", "TRUE"},
        };
        for (const auto& [key, value] : changes)
            values[key] = value;
        std::string file;
        for (const auto& [key, value] : values)
            file += key + "=" + value + "\r\n";
        testing::WriteFile(SettingsFile(), file);
    }

    std::string SettingsFile() const { return data / "calendars/default calendar.cfg"; }

    RunResult PublishWithCli()
    {
        std::string command = "cd '" + data.Path() + "' && '" MONDELIAR_CLI
                              "' --today 2002-02-05 publish 2>'" + (data / "err") + "'";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFile(data / "err")};
    }

    // A publish as the window runs it, with its question answered by `confirm`.
    PublishOutcome PublishHere(int timeoutSeconds = 10,
                               std::function<bool(const std::string&)> confirm = nullptr)
    {
        testing::RecordingMessages messages;
        CalendarContext context(ExecutableFolder(), data.Path(), Date{2002, 2, 5}, messages);
        StartUp(context);
        PublishRequest request;
        log.clear();
        request.SessionLog = [this](const std::string& line) { log += line + "\n"; };
        request.Hooks.Now = [] { return MinutesPastTen(0); };
        request.TimeoutSeconds = timeoutSeconds;
        request.Confirm = std::move(confirm);
        return PublishCalendar(context, request);
    }

    void PlaceOldPages() const
    {
        for (const std::string& page : EnglishPages)
            testing::WriteFile(remote / page, OldPage);
    }

    // Every page on the server is the one written, or (`old`) still the one it had; and
    // nothing else is there.
    void ExpectPagesOnServer(bool old) const
    {
        EXPECT_EQ(FilesIn(remote.Path()), Sorted(EnglishPages));
        for (const std::string& page : EnglishPages)
            EXPECT_EQ(testing::ReadFile(remote / page),
                      old ? OldPage : testing::ReadFile(data / ("site/" + page)))
                << page;
    }

    testing::TempDir data;
    testing::TempDir remote;
    testing::TempDir home;
    std::string log;

private:
    std::string savedHome_;
};

// --- Debian's OpenSSH server ------------------------------------------------------------

class OpenSshPublishTest : public SftpPublishTest {
protected:
    static void SetUpTestSuite() { server = new OpenSshServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override { ASSERT_GT(server->Port(), 0) << "sshd did not start"; }

    void ConfigureForKey(std::map<std::string, std::string> changes)
    {
        changes.emplace("FTPUSER", server->User());
        changes.emplace("SFTPKEYFILE", server->ClientKey());
        changes.emplace("SFTPHOSTKEY", server->HostKeyFingerprint());
        Configure(server->Port(), changes);
    }

    // The server's log from `start` on, once it shows the connection's end.
    static std::string LogOfOneConnection(std::size_t start)
    {
        std::string since;
        for (int waited = 0; waited < 5000; waited += 50) {
            since = server->Log().substr(start);
            if (Contains(since, "Connection closed") || Contains(since, "isconnect"))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return since;
    }

    static OpenSshServer* server;
};

OpenSshServer* OpenSshPublishTest::server = nullptr;

TEST_F(OpenSshPublishTest, FourteenPagesArriveByteForByteAndUnchangedOnesStayHome)
{
    ConfigureForKey({{"FTPCHANGEDONLY", "TRUE"}});
    RunResult first = PublishWithCli();
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "Calendar files sent to 127.0.0.1 (SFTP): 14 changed, 0 unchanged\n");
    ExpectPagesOnServer(false);
    EXPECT_TRUE(Contains(testing::ReadFile(data / "calendars/.default calendar.sent"),
                         "PROTOCOL=SFTP\r\n"));

    const std::size_t logons = CountPrefix(SplitLines(server->Log()), "Accepted publickey");
    EXPECT_EQ(logons, 1u);
    RunResult second = PublishWithCli();
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err, "Calendar files sent to 127.0.0.1 (SFTP): 0 changed, 14 unchanged\n");
    EXPECT_EQ(CountPrefix(SplitLines(server->Log()), "Accepted publickey"), logons);
}

// A host key that is not trusted stops the publish before any authentication: the server
// sees no log-on attempt at all, and the message shows the key offered.
TEST_F(OpenSshPublishTest, AnUntrustedHostKeyStopsBeforeAuthentication)
{
    const std::string offered = server->HostKeyFingerprint();
    testing::MakeKeyPair(home / "other_key");
    std::string otherKey = testing::ReadFile(home / "other_key.pub");
    otherKey = otherKey.substr(0, otherKey.rfind(' '));
    struct Row {
        const char* pinned;
        std::string knownHosts;
        std::string said;
    } rows[] = {
        {"SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU", "",
         "WARNING: the host key of 127.0.0.1 has changed. It offered " + offered
             + ", but this calendar trusts SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU."},
        {"", "", "is not known: " + offered + ". Nothing was sent. To trust it, pin it in the "
                 "calendar's settings file with the line SFTPHOSTKEY=" + offered},
        {"", "[127.0.0.1]:" + std::to_string(server->Port()) + " " + otherKey + "\n",
         "known_hosts lists another key for it"},
    };
    for (const Row& row : rows) {
        ConfigureForKey({{"SFTPHOSTKEY", row.pinned}});
        testing::WriteFile(home / ".ssh/known_hosts", row.knownHosts);
        const std::size_t start = server->Log().size();
        RunResult run = PublishWithCli();
        EXPECT_EQ(run.status, 1) << row.said;
        EXPECT_TRUE(Contains(run.err, row.said)) << run.err;
        EXPECT_TRUE(Contains(run.err, "0 of 14 files stored")) << run.err;
        std::string connection = LogOfOneConnection(start);
        EXPECT_TRUE(Contains(connection, "Connection from 127.0.0.1")) << connection;
        EXPECT_FALSE(Contains(connection, "userauth")) << connection;
        EXPECT_EQ(FilesIn(remote.Path()), std::vector<std::string>());
    }
}

// The key in ~/.ssh is found by itself, or named as a key file from the home folder.
TEST_F(OpenSshPublishTest, AKeyListedInKnownHostsAndAKeyInHomeNeedNoPinning)
{
    testing::WriteFile(home / ".ssh/known_hosts", server->KnownHostsLine());
    std::filesystem::copy_file(server->ClientKey(), home / ".ssh/id_ed25519");
    std::filesystem::permissions(home / ".ssh/id_ed25519", std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
    for (const char* keyFile : {"", "~/.ssh/id_ed25519"}) {
        ConfigureForKey({{"SFTPHOSTKEY", ""}, {"SFTPKEYFILE", keyFile}});
        RunResult run = PublishWithCli();
        EXPECT_EQ(run.status, 0) << keyFile << ": " << run.err;
        ExpectPagesOnServer(false);
    }
}

// The window asks about an unknown key; Yes pins it in the settings file and goes on.
TEST_F(OpenSshPublishTest, TheWindowAsksToTrustAnUnknownKey)
{
    const std::string offered = server->HostKeyFingerprint();
    for (bool yes : {false, true}) {
        ConfigureForKey({{"SFTPHOSTKEY", ""}});
        std::vector<std::string> questions;
        PublishOutcome outcome = PublishHere(10, [&](const std::string& question) {
            questions.push_back(question);
            return yes;
        });
        EXPECT_EQ(questions, std::vector<std::string>{"The server's host key is " + offered
                                                      + ". Trust it for this calendar?"});
        EXPECT_EQ(outcome.Succeeded, yes) << outcome.Message;
        EXPECT_EQ(Contains(testing::ReadFile(SettingsFile()), "SFTPHOSTKEY=" + offered + "\r\n"),
                  yes);
        EXPECT_EQ(FilesIn(remote.Path()).size(), yes ? 14u : 0u);
    }
}

// --- the scripted paramiko server ---------------------------------------------------------

// Each row publishes over a server started with its options, to a remote folder holding
// the old pages: the outcome, what the server holds after it, and the road in the log.
TEST_F(SftpPublishTest, ScriptedServersKeepEveryPageWholeWhateverGoesWrong)
{
    struct Row {
        const char* what;
        std::vector<std::string> options;
        std::string password;
        int timeoutSeconds;
        std::string said;  // in the outcome's message
        bool oldPagesStay;
        std::string logged;  // in the session log
    } rows[] = {
        {"password log-on, plain rename", {}, "secret", 10,
         "Calendar files sent to 127.0.0.1 (SFTP)", false,
         "> RENAME " + remote / "January.html " + remote / ".January.html.old"},
        {"posix-rename offered", {"--posix-rename"}, "secret", 10,
         "Calendar files sent to 127.0.0.1 (SFTP)", false, "> POSIX-RENAME "},
        {"wrong password", {}, "guess", 10, "The server refused the log-on of tester", true,
         "Trying the password"},
        {"refused rename", {"--refuse-rename"}, "secret", 10,
         "0 of 14 files stored. Not stored: calendar.html, current.html, January.html",
         true, "< Permission denied"},
        {"connection dropped mid-upload", {"--drop-after", "30000"}, "secret", 10,
         "First failure: The connection to the server was lost", true,
         "> REMOVE " + remote / ".calendar.html.part"},
        {"silent from the start", {"--silent"}, "secret", 1,
         "First failure: No answer from the server within 1 second", true, ""},
        {"silent after log-on", {"--silent-after-logon"}, "secret", 1,
         "First failure: No answer from the server within 1 second", true, "Logged on"},
    };
    for (const Row& row : rows) {
        ScriptedSftpServer server(row.options);
        ASSERT_GT(server.Port(), 0) << row.what;
        Configure(server.Port(), {{"FTPPASSWORD", row.password},
                                  {"SFTPHOSTKEY", server.HostKeyFingerprint()}});
        PlaceOldPages();
        PublishOutcome outcome = PublishHere(row.timeoutSeconds);
        EXPECT_EQ(outcome.Succeeded, !row.oldPagesStay) << row.what << ": " << outcome.Message;
        EXPECT_TRUE(Contains(outcome.Message, row.said)) << row.what << ": " << outcome.Message;
        EXPECT_TRUE(Contains(log, row.logged)) << row.what << ":\n" << log;
        EXPECT_FALSE(Contains(log, "secret")) << row.what;
        ExpectPagesOnServer(row.oldPagesStay);
    }
}

TEST_F(SftpPublishTest, AnEmptyPasswordIsCompleteOverSftpOnly)
{
    for (const char* sftp : {"FALSE", "TRUE"}) {
        Configure(1, {{"SFTP", sftp}, {"FTPPASSWORD", ""}});
        PublishOutcome outcome = PublishHere();
        EXPECT_EQ(outcome.Message == FtpSettingsIncomplete, std::string(sftp) == "FALSE")
            << outcome.Message;
    }
}

}  // namespace
}  // namespace mondeliar
