// Publishing only the files that changed, against pyftpdlib on loopback, and the record of
// what the server holds.

#include "base/errors.h"
#include "publish/page_digest.h"
#include "publish/publish_fixture.h"
#include "publish/sent_record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::WriteFile;

const std::string AllSent = "Calendar files sent to 127.0.0.1";

std::string Counted(int changed, int unchanged)
{
    return AllSent + ": " + std::to_string(changed) + " changed, " + std::to_string(unchanged)
           + " unchanged";
}

// A notes line for `day`.`month`.2002 with one note.
std::string NoteLine(int month, int day, const std::string& text)
{
    std::vector<std::string> fields = {std::to_string(month), std::to_string(day), "2002", text};
    fields.resize(25);
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "\"" : ",\"") + field + "\"";
    return line;
}

class ChangedOnlyTest : public PublishTest {
public:
    void ConfigureChangedOnly(std::map<std::string, std::string> changes = {})
    {
        changes.emplace("FTPCHANGEDONLY", "TRUE");
        changes.emplace("LASTUPDATE", "TRUE");
        Configure(changes);
    }
    void WriteNotes(const std::vector<std::string>& lines)
    {
        WriteFile(dir / "calendars/default calendar", CrLfLines(lines));
    }
    std::string RecordPath() const { return dir / "calendars/.default calendar.sent"; }
};

// Every step publishes once more, a minute later than the one before (so every page's
// last-updated line differs from what the server holds), after one change.
TEST_F(ChangedOnlyTest, SendsExactlyThePagesThatChanged)
{
    ASSERT_TRUE(server.Running());
    std::filesystem::create_directory(server.Root() + "/www");
    const struct {
        const char* change;
        std::function<void(ChangedOnlyTest&)> apply;
        std::vector<std::string> sent;
        int unchanged;
    } steps[] = {
        {"first publish", [](ChangedOnlyTest&) {}, EnglishPages, 0},
        {"nothing changed", [](ChangedOnlyTest&) {}, {}, 14},
        {"a note in the current month",
         [](ChangedOnlyTest& t) { t.WriteNotes({NoteLine(2, 14, "Meeting")}); },
         {"calendar.html", "current.html", "February.html"},
         11},
        {"a note in July",
         [](ChangedOnlyTest& t) {
             t.WriteNotes({NoteLine(2, 14, "Meeting"), NoteLine(7, 4, "Picnic")});
         },
         {"calendar.html", "July.html"},
         12},
        {"another remote folder",
         [](ChangedOnlyTest& t) {
             t.ConfigureChangedOnly({{"FTPREMOTEDIR", "/www/"}});
         },
         EnglishPages, 0},
        {"back to the first folder, whose record was replaced",
         [](ChangedOnlyTest& t) { t.ConfigureChangedOnly(); }, EnglishPages, 0},
    };
    ConfigureChangedOnly();
    int minute = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.change);
        step.apply(*this);
        const PublishOutcome outcome = PublishHere(++minute);
        EXPECT_TRUE(outcome.Succeeded) << outcome.Message;
        EXPECT_EQ(outcome.Message, Counted(static_cast<int>(step.sent.size()), step.unchanged));
        std::vector<std::string> stored;
        for (const std::string& path : StoredHere())
            stored.push_back(FileNamePart(path));
        EXPECT_EQ(stored, step.sent);
        if (step.sent.empty()) {
            EXPECT_TRUE(log.empty()) << "nothing to send, no session";
        }
    }
    EXPECT_EQ(ServerFile("July.html"), WithoutCarriageReturns(ReadFile(dir / "site/July.html")));
}

TEST_F(ChangedOnlyTest, AFileThatFailedIsSentAgainNextTime)
{
    ASSERT_TRUE(server.Running());
    ConfigureChangedOnly();
    ASSERT_TRUE(PublishHere(1).Succeeded);
    WriteNotes({NoteLine(3, 17, "Parade")});
    std::filesystem::remove(server.Root() + "/March.html");
    std::filesystem::create_directory(server.Root() + "/March.html");  // refuses STOR

    PublishOutcome outcome = PublishHere(2);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Message.rfind("Calendar files not sent to 127.0.0.1: 1 of 2 files stored. "
                                    "Not stored: March.html. First failure: 550 ",
                                    0),
              0u)
        << outcome.Message;
    EXPECT_EQ(StoredHere(), (std::vector<std::string>{"/calendar.html", "/March.html"}));

    std::filesystem::remove(server.Root() + "/March.html");
    outcome = PublishHere(3);
    EXPECT_EQ(outcome.Message, Counted(1, 13));
    EXPECT_EQ(StoredHere(), (std::vector<std::string>{"/March.html"}));
    EXPECT_EQ(ServerFile("March.html"), WithoutCarriageReturns(ReadFile(dir / "site/March.html")));
}

TEST_F(ChangedOnlyTest, UploadAllSendsEverythingAndTheFeedAlwaysGoes)
{
    ASSERT_TRUE(server.Running());
    ConfigureChangedOnly({{"ICSFEED", "TRUE"}});
    WriteNotes({NoteLine(2, 14, "Meeting")});
    EXPECT_EQ(PublishHere(1).Message, Counted(15, 0));
    // The feed's events are stamped with the moment of writing: it differs every time.
    EXPECT_EQ(PublishHere(2).Message, Counted(1, 14));
    EXPECT_EQ(StoredHere(), (std::vector<std::string>{"/calendar.ics"}));

    EXPECT_EQ(PublishHere(3, true).Message, AllSent);
    EXPECT_EQ(StoredHere().size(), 15u);
    EXPECT_EQ(PublishHere(4).Message, Counted(1, 14)) << "upload-all keeps the record";
}

TEST_F(ChangedOnlyTest, TheRecordNamesThePlaceAndEveryFileAndGoesWhenTheSettingIsOff)
{
    ASSERT_TRUE(server.Running());
    // The notes of a calendar called "default calendar.sent", which the record never touches.
    const std::string otherNotes = dir / "calendars/default calendar.sent";
    WriteFile(otherNotes, CrLfLines({NoteLine(2, 14, "Another calendar's note")}));
    ConfigureChangedOnly();
    ASSERT_TRUE(PublishHere(1).Succeeded);
    std::vector<std::string> lines = SplitLines(WithoutCarriageReturns(ReadFile(RecordPath())));
    ASSERT_EQ(lines.size(), 4u + 14u);
    EXPECT_EQ(lines[0], "HOST=127.0.0.1");
    EXPECT_EQ(lines[1], "PORT=" + std::to_string(server.Port()));
    EXPECT_EQ(lines[2], "USER=tester");
    EXPECT_EQ(lines[3], "REMOTEDIR=/");
    // In the byte order of the names; the digest leaves out the last-updated line.
    EXPECT_EQ(lines[4],
              "FILE="
                  + PageDigest(dir / "site/April.html", LastUpdatedLine(MinutesPastTen(1)) + "\r\n")
                  + " /April.html");
    EXPECT_EQ(lines[17].substr(64 + 6), "/current.html");
    struct stat info;
    ASSERT_EQ(::stat(RecordPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    Configure();
    EXPECT_EQ(PublishHere(2).Message, AllSent);
    EXPECT_FALSE(FileExists(RecordPath())) << "an unused record would go stale";
    EXPECT_EQ(ReadFile(otherNotes), CrLfLines({NoteLine(2, 14, "Another calendar's note")}));
}

// Another process writes a page between the moment its digest is taken and its sending: the
// server must still end up with the calendar's own page, now or at the next publish.
TEST_F(ChangedOnlyTest, APageRewrittenWhileBeingPublishedIsNotLeftStale)
{
    ASSERT_TRUE(server.Running());
    // No last-updated line: the page keeps its bytes from one publish to the next.
    Configure({{"FTPCHANGEDONLY", "TRUE"}, {"LASTUPDATE", "FALSE"}});
    const std::string page = dir / "site/July.html";
    ASSERT_TRUE(PublishHere(1, false, [&](PublishRequest& request) {
                    request.Progress = [&](int, int, const std::string& hostFileName) {
                        if (hostFileName == "/July.html")
                            WriteFile(page, "<HTML>written by another process</HTML>\r\n");
                    };
                }).Succeeded);
    PublishHere(2);
    EXPECT_EQ(ServerFile("July.html"), WithoutCarriageReturns(ReadFile(page)));
}

// While another process publishes the calendar, a publish waits, then gives up having sent and
// written nothing.
TEST_F(ChangedOnlyTest, APublishOfACalendarBeingPublishedWaitsThenStops)
{
    ASSERT_TRUE(server.Running());
    ConfigureChangedOnly();
    const int held = ::open((dir / "calendars/.default calendar.lock").c_str(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const PublishOutcome outcome
        = PublishHere(1, false, [](PublishRequest& request) { request.LockWaitSeconds = 1; });
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Message,
              "Calendar \"default calendar\" is being published by another process");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "site"));
    ::close(held);
    EXPECT_TRUE(PublishHere(2).Succeeded);
}

TEST_F(ChangedOnlyTest, CommandLineOptionsHoldForOneRun)
{
    ASSERT_TRUE(server.Running());
    Configure({{"LASTUPDATE", "TRUE"}});
    EXPECT_EQ(SplitLines(Publish("--changed-only").err).back(), Counted(14, 0));
    EXPECT_EQ(SplitLines(Publish("--changed-only").err).back(), Counted(0, 14));
    EXPECT_EQ(SplitLines(Publish("--changed-only --all").err).back(), AllSent);
    EXPECT_EQ(SplitLines(Publish("--changed-only --atomic").err).back(), Counted(0, 14));
}

TEST(SentRecord, SavesLoadsAndForgetsWhatWasSentElsewhere)
{
    testing::TempDir dir;
    const std::string path = dir / "cal.sent";
    const std::string a(64, 'a');
    const std::string b(64, 'b');
    SentRecord record;
    record.MoveTo({"ftp.example.org", "21", "me", "/www/"});
    record.Stored("/www/z.html", b);
    record.Stored("/www/a.html", a);
    record.Save(path);
    EXPECT_EQ(ReadFile(path), "HOST=ftp.example.org\r\nPORT=21\r\nUSER=me\r\nREMOTEDIR=/www/\r\n"
                              "FILE="
                                  + a + " /www/a.html\r\nFILE=" + b + " /www/z.html\r\n");
    SentRecord loaded = SentRecord::Load(path);
    EXPECT_TRUE(loaded == record);
    EXPECT_TRUE(loaded.Holds("/www/a.html", a));
    EXPECT_FALSE(loaded.Holds("/www/a.html", b));

    loaded.MoveTo({"ftp.example.org", "21", "me", "/www/"});
    EXPECT_TRUE(loaded.Holds("/www/z.html", b)) << "the same place keeps the record";
    loaded.MoveTo({"ftp.example.org", "2121", "me", "/www/"});
    EXPECT_FALSE(loaded.Holds("/www/z.html", b));
}

TEST(SentRecord, DamagedOrMissingRecordsVouchForNothing)
{
    testing::TempDir dir;
    const std::string a(64, 'a');
    const struct {
        const char* name;
        std::string content;
        bool holds;
    } rows[] = {
        {"well formed", "HOST=h\r\nFILE=" + a + " /x.html\r\n", true},
        {"short digest", "HOST=h\r\nFILE=" + a.substr(1) + " /x.html\r\n", false},
        {"not hex", "HOST=h\r\nFILE=" + std::string(64, 'g') + " /x.html\r\n", false},
        {"no name", "HOST=h\r\nFILE=" + a + "\r\n", false},
        {"unknown lines", "junk\r\nHOST=h\r\nCOLOR=1\r\nFILE=" + a + " /x.html\r\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(dir / "r.sent", row.content);
        SentRecord record = SentRecord::Load(dir / "r.sent");
        EXPECT_EQ(record.Place().Host, "h");
        EXPECT_EQ(record.Holds("/x.html", a), row.holds);
    }
    EXPECT_FALSE(SentRecord::Load(dir / "missing.sent").Holds("/x.html", a));
    ASSERT_EQ(::mkfifo((dir / "fifo.sent").c_str(), 0600), 0);
    EXPECT_FALSE(SentRecord::Load(dir / "fifo.sent").Holds("/x.html", a)) << "and never waits";
}

TEST(PageDigest, LeavesOutOnlyTheMaskedLine)
{
    testing::TempDir dir;
    const std::string masked = "This page was last updated on 05/02/02 10:00:00<BR>\r\n";
    WriteFile(dir / "a.html", "<P>one</P>\r\n" + masked + "</BODY>\r\n");
    WriteFile(dir / "b.html", "<P>one</P>\r\n</BODY>\r\n");
    WriteFile(dir / "c.html", "<P>two</P>\r\n" + masked + "</BODY>\r\n");
    EXPECT_EQ(PageDigest(dir / "a.html", masked), PageDigest(dir / "b.html", masked));
    EXPECT_NE(PageDigest(dir / "a.html", masked), PageDigest(dir / "c.html", masked));
    EXPECT_NE(PageDigest(dir / "a.html", ""), PageDigest(dir / "b.html", ""));
    // The digest of the empty file is SHA-256's well-known one.
    WriteFile(dir / "empty.html", "");
    EXPECT_EQ(PageDigest(dir / "empty.html", masked),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_THROW(PageDigest(dir / "missing.html", masked), FileError);
}

}  // namespace
}  // namespace mondeliar
