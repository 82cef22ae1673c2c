// Replacing each page on the server in one rename: the exact commands against a scripted
// server that renames as some servers do, and the whole publish against pyftpdlib.

#include "publish/ftp_uploader.h"
#include "publish/publish_fixture.h"

#include <set>

namespace mondeliar {
namespace {

using testing::ReadFile;

using testing::FtpServerState;

const std::string CannotRename = "553 Cannot rename onto an existing file\r\n";

bool OntoAFileItHolds(const FtpServerState& server)
{
    return server.files.count(server.argument) > 0;
}

bool RenamingAPartFile(const FtpServerState& server)
{
    return server.renameFrom.find(".part") != std::string::npos;
}

std::vector<std::string> CommandsOfFirstPage(const std::vector<std::string>& commands,
                                             std::size_t count)
{
    // After USER and PASS.
    return std::vector<std::string>(commands.begin() + 2,
                                    commands.begin() + static_cast<std::ptrdiff_t>(2 + count));
}

// Whatever the server refuses, every page stays on it, old or new, and nothing else does. The
// server (passive mode) holds the pages at the start and renames as the script says.
TEST_F(PublishTest, AtomicReplaceRenamesEachPageIntoPlace)
{
    const struct {
        const char* name;
        FtpScript script;
        std::vector<std::string> first_page;  // the commands of calendar.html
        bool succeeds;
        std::size_t renames;  // RNTO commands in all
        std::string road;     // the log line that tells it, and how often it comes
        std::size_t told;
    } rows[] = {
        {"rename over the old page",
         FtpScript(),
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "PASV", "STOR /.current.html.part"},
         true,
         14,
         "! The server",
         0},
        {"old page moved aside first",
         FtpScript().On("RNTO").When(OntoAFileItHolds).Reply(CannotRename),
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "RNFR /calendar.html", "RNTO /.calendar.html.old", "RNFR /.calendar.html.part",
          "RNTO /calendar.html", "DELE /.calendar.html.old", "PASV"},
         true,
         42,
         "! The server will not rename onto /calendar.html: moving the old file aside as "
         "/.calendar.html.old",
         1},
        {"renaming refused for now",
         FtpScript().On("RNTO").Reply("450 Try again later\r\n"),
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "DELE /.calendar.html.part", "PASV"},
         false,
         14,
         "! The server refused the rename for now: ",
         14},
        {"renaming not implemented",
         FtpScript().On("RNFR").Reply("502 RNFR not implemented\r\n"),
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part",
          "DELE /.calendar.html.part", "PASV", "STOR /calendar.html", "PASV", "STOR /current.html"},
         true,
         0,
         "! The server does not rename files: storing under the final names for the rest of "
         "the session",
         1},
        {"renaming fails for good",
         FtpScript().On("RNTO").Reply(CannotRename),
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "RNFR /calendar.html", "RNTO /.calendar.html.old", "DELE /.calendar.html.part", "PASV"},
         false,
         28,
         "! The server will not rename onto ",
         14},
        {"the new page cannot take the name",
         FtpScript().On("RNTO").When(RenamingAPartFile).Reply(CannotRename),
         {"PASV", "STOR /.calendar.html.part", "RNFR /.calendar.html.part", "RNTO /calendar.html",
          "RNFR /calendar.html", "RNTO /.calendar.html.old", "RNFR /.calendar.html.part",
          "RNTO /calendar.html", "RNFR /.calendar.html.old", "RNTO /calendar.html",
          "DELE /.calendar.html.part", "PASV"},
         false,
         56,
         "! Putting the old file back as ",
         14},
    };
    const std::vector<std::string> pages = RemoteNames(EnglishPages);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedFtpServer scripted(FtpScript(row.script).Hold(pages));
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
        EXPECT_EQ(scripted.FileNames(), std::set<std::string>(pages.begin(), pages.end()));
    }
}

TEST_F(PublishTest, AtomicReplaceFailureNamesThePageAndTheRefusal)
{
    ScriptedFtpServer scripted(FtpScript().On("RNTO").Reply(CannotRename));
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
    EXPECT_TRUE(scripted.FileNames().empty());
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
