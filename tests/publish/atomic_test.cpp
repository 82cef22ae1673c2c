// Replacing each page on the server in one rename: the exact commands against a scripted
// server that renames as some servers do, and the whole publish against pyftpdlib.

#include "publish/publish_fixture.h"

#include <set>
#include <unistd.h>

namespace mondeliar {
namespace {

using testing::ReadFile;

enum class Renaming {
    Replaces,           // RNTO onto an existing file replaces it
    RefusesExisting,    // RNTO onto an existing file: 553, after DELE it works
    NotImplemented,     // RNFR: 502
    RefusesEverything,  // RNTO: 550 always, DELE of a page: 550
};

// A passive-mode server that keeps the names of the files it holds, every page existing from
// the start, and renames as `renaming` says.
void ServeRenaming(net::testing::ScriptedSession& s, Renaming renaming,
                   std::set<std::string>* files)
{
    s.Reply("220 ready\r\n");
    std::string renameFrom;
    for (std::string command = s.ReadCommand(); !command.empty(); command = s.ReadCommand()) {
        const std::string argument = command.size() > 5 ? command.substr(5) : std::string();
        if (command.rfind("USER ", 0) == 0) {
            s.Reply("331 password please\r\n");
        } else if (command.rfind("PASS ", 0) == 0) {
            s.Reply("230 logged on\r\n");
        } else if (command == "PASV") {
            s.Reply(s.OpenPassive());
        } else if (command.rfind("STOR ", 0) == 0) {
            s.Reply("150 go ahead\r\n");
            const int data = s.AcceptPassiveData();
            net::testing::ReceiveUntilClosed(data);
            ::close(data);
            files->insert(argument);
            s.Reply("226 stored\r\n");
        } else if (command.rfind("RNFR ", 0) == 0) {
            if (renaming == Renaming::NotImplemented) {
                s.Reply("502 RNFR not implemented\r\n");
                continue;
            }
            renameFrom = argument;
            s.Reply("350 ready for RNTO\r\n");
        } else if (command.rfind("RNTO ", 0) == 0) {
            const bool refused
                = renaming == Renaming::RefusesEverything
                  || (renaming == Renaming::RefusesExisting && files->count(argument));
            if (refused) {
                s.Reply("553 Cannot rename onto an existing file\r\n");
                continue;
            }
            files->erase(renameFrom);
            files->insert(argument);
            s.Reply("250 renamed\r\n");
        } else if (command.rfind("DELE ", 0) == 0) {
            if (renaming == Renaming::RefusesEverything
                && argument.find(".part") == std::string::npos) {
                s.Reply("550 Permission denied\r\n");
                continue;
            }
            files->erase(argument);
            s.Reply("250 deleted\r\n");
        } else if (command == "QUIT") {
            s.Reply("221 bye\r\n");
            break;
        } else {
            s.Reply("500 unknown\r\n");
        }
    }
}

std::vector<std::string> CommandsOfFirstPage(const std::vector<std::string>& commands,
                                             std::size_t count)
{
    // After USER and PASS.
    return std::vector<std::string>(commands.begin() + 2,
                                    commands.begin() + static_cast<std::ptrdiff_t>(2 + count));
}

TEST_F(PublishTest, AtomicReplaceRenamesEachPageIntoPlace)
{
    const std::string moved = "! The server does not rename files: storing under the final "
                              "names for the rest of the session";
    const struct {
        const char* name;
        Renaming renaming;
        std::vector<std::string> first_page;  // the commands of calendar.html
        bool succeeds;
        std::size_t renames;  // RNTO commands in all
    } rows[] = {
        {"rename over the old page",
         Renaming::Replaces,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "PASV", "STOR /.current.html.part"},
         true,
         14},
        {"old page deleted first",
         Renaming::RefusesExisting,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "DELE /calendar.html", "RNFR /.calendar.html.part", "RNTO /calendar.html", "PASV"},
         true,
         28},
        {"renaming not implemented",
         Renaming::NotImplemented,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part",
          "DELE /.calendar.html.part", "PASV", "STOR /calendar.html", "PASV", "STOR /current.html"},
         true,
         0},
        {"renaming fails for good",
         Renaming::RefusesEverything,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "DELE /calendar.html", "DELE /.calendar.html.part", "PASV"},
         false,
         14},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::set<std::string> files;
        for (const std::string& page : EnglishPages)
            files.insert("/" + page);
        net::testing::ScriptedFtpServer scripted(
            [&](net::testing::ScriptedSession& s) { ServeRenaming(s, row.renaming, &files); });
        Configure({{"FTPPORT", std::to_string(scripted.Port())},
                   {"FTPPASSIVE", "TRUE"},
                   {"FTPATOMIC", "TRUE"}});
        const PublishOutcome outcome = PublishHere(1);
        ASSERT_TRUE(scripted.Finish());
        EXPECT_EQ(outcome.Succeeded, row.succeeds) << outcome.Message;
        const std::vector<std::string> commands = scripted.Commands();
        ASSERT_GT(commands.size(), 2 + row.first_page.size());
        EXPECT_EQ(CommandsOfFirstPage(commands, row.first_page.size()), row.first_page);
        EXPECT_EQ(CountPrefix(commands, "RNTO "), row.renames);
        EXPECT_EQ(CountPrefix(log, moved), row.renaming == Renaming::NotImplemented ? 1u : 0u);
        for (const std::string& name : files)
            EXPECT_EQ(name.find(".part"), std::string::npos) << name << " left on the server";
        EXPECT_EQ(files.size(), 14u);
    }
}

TEST_F(PublishTest, AtomicReplaceFailureNamesThePageAndTheRefusal)
{
    std::set<std::string> files;
    net::testing::ScriptedFtpServer scripted([&](net::testing::ScriptedSession& s) {
        ServeRenaming(s, Renaming::RefusesEverything, &files);
    });
    Configure({{"FTPPORT", std::to_string(scripted.Port())},
               {"FTPPASSIVE", "TRUE"},
               {"FTPATOMIC", "TRUE"}});
    const PublishOutcome outcome = PublishHere(1);
    ASSERT_TRUE(scripted.Finish());
    // No page existed, so the rename was refused for another reason than an old page.
    EXPECT_EQ(outcome.Message.rfind("Calendar files not sent to 127.0.0.1: 0 of 14 files stored. "
                                    "Not stored: calendar.html, current.html",
                                    0),
              0u)
        << outcome.Message;
    EXPECT_NE(outcome.Message.find("First failure: 553 Cannot rename onto an existing file"),
              std::string::npos)
        << outcome.Message;
    EXPECT_TRUE(files.empty());
}

TEST_F(PublishTest, AtomicReplaceOnARealServerLeavesOnlyThePages)
{
    ASSERT_TRUE(server.Running());
    Configure();
    ASSERT_EQ(Publish().status, 0);
    Configure({{"FTPATOMIC", "TRUE"}, {"LASTUPDATE", "TRUE"}});
    RunResult result = Publish("--verbose");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(SplitLines(result.err).back(), "Calendar files sent to 127.0.0.1");
    EXPECT_EQ(ServerFiles(), Sorted(EnglishPages));
    for (const std::string& page : EnglishPages)
        EXPECT_EQ(ServerFile(page), WithoutCarriageReturns(ReadFile(dir / "site/" + page))) << page;
    const std::vector<std::string> commands = Commands(result.err);
    EXPECT_EQ(CountPrefix(commands, "STOR /."), 14u);
    EXPECT_EQ(CountPrefix(commands, "RNFR /."), 14u);
    EXPECT_EQ(CountPrefix(commands, "RNTO /"), 14u);
    EXPECT_EQ(CountPrefix(commands, "DELE"), 0u);
}

TEST(PartFileName, StandsBesideTheFileItReplaces)
{
    EXPECT_EQ(PartFileName("/www/calendar.html"), "/www/.calendar.html.part");
    EXPECT_EQ(PartFileName("/calendar.ics"), "/.calendar.ics.part");
    EXPECT_EQ(PartFileName("wwwcalendar.html"), ".wwwcalendar.html.part");
}

}  // namespace
}  // namespace mondeliar
