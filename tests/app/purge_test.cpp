// The purge dialog: what it shows, and exactly which records a purge frees.

#include "app/desktop_fixture.h"
#include "app/form_purge.h"
#include "app/month_grid.h"

#include <QLabel>
#include <QProgressBar>
#include <QTextCharFormat>

namespace mondeliar::app::testing {
namespace {

using mondeliar::testing::ReadFile;

class PurgeTest : public DesktopTest {
protected:
    bool Holds(int year, int month, int day)
    {
        Context().Entries.FindEntry(month, day, year);
        return Context().Entries.CurrentEntry.Year != 0;
    }
};

TEST_F(PurgeTest, PurgeFreesExactlyTheDatesBeforeThePurgeDate)
{
    struct Row {
        const char* purgeSettings;
        const char* shownDate;
        std::vector<Date> removed;
        std::vector<Date> kept;
    };
    const Row rows[] = {
        {"", "1/1/2000", {{1999, 12, 31}, {1999, 12, 25}}, {{2000, 1, 1}, {2002, 2, 5}}},
        {"PURGEYEAR=2002\r\nPURGEMONTH=10\r\nPURGEDAY=15\r\n",
         "15/10/2002",
         {{2002, 2, 5}, {1999, 12, 31}},
         {{2003, 1, 1}, {2002, 10, 15}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shownDate);
        desktop.reset();
        std::vector<std::tuple<int, int, int, std::string>> records;
        for (const auto& list : {row.removed, row.kept})
            for (const Date& date : list)
                records.emplace_back(date.Month, date.Day, date.Year, "note");
        WriteNotes("default calendar", records);
        std::filesystem::remove(data / "calendars/default calendar.cfg");
        SetSettings(row.purgeSettings);
        Start();
        std::string notesFile = ReadFile(data / "calendars/default calendar");

        Click(Main(), "ButtonPurge");
        TFormPurge& purge = desktop->FormPurge();
        EXPECT_EQ(purge.windowTitle(), "Purge old items");
        EXPECT_EQ(Control<QLabel>(purge, "LabelPurgeDate")->text(), row.shownDate);
        EXPECT_EQ(Control<QProgressBar>(purge, "GaugeUsage")->text(),
                  "4 of 1000 dates used (0.4%)");
        // Asked first: No removes nothing, Yes removes and says how many.
        dialogs = RecordingDialogs();
        dialogs.YesNoAnswers = {false, true};
        Click(purge, "Button1");
        EXPECT_EQ(Context().Entries.CountUsedEntries(), 4);
        Click(purge, "Button1");
        const QString question
            = QString("Remove the notes of 2 dates before %1?").arg(row.shownDate);
        EXPECT_EQ(dialogs.Questions, QStringList(2, question));
        EXPECT_EQ(Boxes(), QStringList{"The notes of 2 dates were removed. The notes file keeps "
                                       "them until the next note is stored."});
        Click(purge, "Button1");
        EXPECT_EQ(Boxes().last(), QString("No notes are dated before %1.").arg(row.shownDate));
        for (const Date& date : row.removed)
            EXPECT_FALSE(Holds(date.Year, date.Month, date.Day)) << date.Year << date.Month;
        for (const Date& date : row.kept)
            EXPECT_TRUE(Holds(date.Year, date.Month, date.Day)) << date.Year << date.Month;
        EXPECT_EQ(Context().Entries.CountUsedEntries(), 2);

        // Memory only: the file waits for the next store, and the gauges keep their count.
        EXPECT_EQ(ReadFile(data / "calendars/default calendar"), notesFile);
        EXPECT_EQ(Control<QProgressBar>(purge, "GaugeUsage")->value(), 4);
        EXPECT_EQ(Control<QProgressBar>(Main(), "GaugeUsage")->value(), 4);
        // The marks follow the table at once.
        auto* grid = Control<MonthGrid>(Main(), "Calendar1");
        const Date& gone = row.removed.front();
        EXPECT_NE(grid->dateTextFormat(QDate(gone.Year, gone.Month, gone.Day)).fontWeight(),
                  QFont::Bold);
        const Date& kept = row.kept.front();
        EXPECT_EQ(grid->dateTextFormat(QDate(kept.Year, kept.Month, kept.Day)).fontWeight(),
                  QFont::Bold);
        Click(purge, "ButtonDone");
        EXPECT_TRUE(Main().isEnabled());
    }
}

}  // namespace
}  // namespace mondeliar::app::testing
