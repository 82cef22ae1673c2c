// Replacing each page on the server in one rename: the exact commands against a scripted
// server that renames as some servers do, and the whole publish against pyftpdlib.

#include "publish/ftp_uploader.h"
#include "publish/publish_fixture.h"

#include <set>
#include <unistd.h>

namespace mondeliar {
namespace {

using testing::ReadFile;

enum class Renaming {
    Replaces,           // RNTO onto an existing file replaces it
    RefusesExisting,    // RNTO onto an existing file: 553, onto a new name it works
    RefusesForNow,      // RNTO: 450 always
    NotImplemented,     // RNFR: 502
    RefusesEverything,  // RNTO: 553 always
    RefusesPartFiles,   // RNTO of a part file: 553 always; other files rename
};

// A passive-mode server that keeps the names of the files it holds and renames as `renaming`
// says. It deletes whatever it is told to.
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
            s.Reply(files->count(argument) ? "350 ready for RNTO\r\n" : "550 No such file\r\n");
        } else if (command.rfind("RNTO ", 0) == 0) {
            const bool part = renameFrom.find(".part") != std::string::npos;
            const bool refused
                = renaming == Renaming::RefusesEverything
                  || (renaming == Renaming::RefusesExisting && files->count(argument))
                  || (renaming == Renaming::RefusesPartFiles && part);
            if (refused) {
                s.Reply("553 Cannot rename onto an existing file\r\n");
                continue;
            }
            if (renaming == Renaming::RefusesForNow) {
                s.Reply("450 Try again later\r\n");
                continue;
            }
            files->erase(renameFrom);
            files->insert(argument);
            s.Reply("250 renamed\r\n");
        } else if (command.rfind("DELE ", 0) == 0) {
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

// Whatever the server refuses, every page stays on it, old or new, and nothing else does.
TEST_F(PublishTest, AtomicReplaceRenamesEachPageIntoPlace)
{
    const struct {
        const char* name;
        Renaming renaming;
        std::vector<std::string> first_page;  // the commands of calendar.html
        bool succeeds;
        std::size_t renames;  // RNTO commands in all
        std::string road;     // the log line that tells it, and how often it comes
        std::size_t told;
    } rows[] = {
        {"rename over the old page",
         Renaming::Replaces,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "PASV", "STOR /.current.html.part"},
         true,
         14,
         "! The server",
         0},
        {"old page moved aside first",
         Renaming::RefusesExisting,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "RNFR /calendar.html", "RNTO /.calendar.html.old", "RNFR /.calendar.html.part",
          "RNTO /calendar.html", "DELE /.calendar.html.old", "PASV"},
         true,
         42,
         "! The server will not rename onto /calendar.html: moving the old file aside as "
         "/.calendar.html.old",
         1},
        {"renaming refused for now",
         Renaming::RefusesForNow,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "DELE /.calendar.html.part", "PASV"},
         false,
         14,
         "! The server refused the rename for now: ",
         14},
        {"renaming not implemented",
         Renaming::NotImplemented,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part",
          "DELE /.calendar.html.part", "PASV", "STOR /calendar.html", "PASV", "STOR /current.html"},
         true,
         0,
         "! The server does not rename files: storing under the final names for the rest of "
         "the session",
         1},
        {"renaming fails for good",
         Renaming::RefusesEverything,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "RNFR /calendar.html", "RNTO /.calendar.html.old", "DELE /.calendar.html.part", "PASV"},
         false,
         28,
         "! The server will not rename onto ",
         14},
        {"the new page cannot take the name",
         Renaming::RefusesPartFiles,
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "RNFR /calendar.html", "RNTO /.calendar.html.old", "RNFR /.calendar.html.part",
          "RNTO /calendar.html", "RNFR /.calendar.html.old", "RNTO /calendar.html",
          "DELE /.calendar.html.part", "PASV"},
         false,
         56,
         "! Putting the old file back as ",
         14},
    };
    std::set<std::string> pages;
    for (const std::string& page : EnglishPages)
        pages.insert("/" + page);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::set<std::string> files = pages;
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
        EXPECT_EQ(CountPrefix(log, row.road), row.told);
        EXPECT_EQ(files, pages);
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
