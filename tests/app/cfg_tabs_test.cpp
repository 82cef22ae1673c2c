// The configuration dialog's Calendars, Language and Recurring tabs: calendar files, language
// files and the recurring entries' grid.
#include "app/cfg_dialog_fixture.h"
#include "app/radio_group.h"
#include "app/recurring_model.h"

#include <QComboBox>
#include <QLineEdit>

#include <filesystem>

namespace mondeliar::app::testing {
namespace {

using mondeliar::testing::CrLfLines;
using mondeliar::testing::ReadFile;
using mondeliar::testing::WriteFile;

class CalendarsTabTest : public CfgDialogTest {
protected:
    std::string Calendar(const std::string& file) const { return dir / ("data/calendars/" + file); }
    void Create(const QString& name, int settingsChoice = 0)
    {
        Type("EditNewCalendar", name);
        Choose("rgNewCfg", settingsChoice);
        Click("ButtonCreate");
    }
    void Delete(const QString& name)
    {
        Find<QComboBox>("cbDeleteCalendar")->setEditText(name);
        Click("ButtonDeleteCalendar");
    }
};

TEST_F(CalendarsTabTest, CreateWritesThreeFilesOnceAndListsTheName)
{
    Open();
    ShowTab("Calendars");
    Create("Team");
    EXPECT_TRUE(dialogs.Boxes.empty());
    std::string settings = ReadFile(Calendar("Team.cfg"));
    // The default settings; the first NOTEPATH line is the record's, empty before the
    // default calendar's first load.
    std::string defaults = ReadFile(Calendar("default calendar.cfg"));
    EXPECT_EQ(settings, "NOTEPATH=calendars/" + defaults.substr(defaults.find("\r\n")));
    EXPECT_EQ(ReadFile(Calendar("Team")), "");
    EXPECT_EQ(ReadFile(Calendar("Team.rcr")), "");
    EXPECT_EQ(mainWindow.ListItems, QStringList({"default calendar", "Team"}));
    EXPECT_EQ(Find<QComboBox>("cbDeleteCalendar")->findText("Team"), -1);
    EXPECT_EQ(Find<QLineEdit>("EditNewCalendar")->text(), "Team");
    EXPECT_EQ(context.CalendarName, "default calendar");

    WriteFile(Calendar("Team"), "notes");
    Create("Team", 1);
    EXPECT_EQ(dialogs.Texts(), QStringList({"A calendar with that name already exists"}));
    EXPECT_EQ(ReadFile(Calendar("Team.cfg")), settings);
    EXPECT_EQ(ReadFile(Calendar("Team")), "notes");
    EXPECT_EQ(mainWindow.ListItems.size(), 2);
}

TEST_F(CalendarsTabTest, CreateWithCurrentSettingsTakesColoursStoredWithoutOk)
{
    dialogs.ColorAnswers = {QColor(0xFF, 0x80, 0x00)};
    Open();
    ShowTab("Colors");
    Click("ButtonBGmain");
    Type("EditTitle", "not stored before Ok");
    ShowTab("Calendars");
    Create("Team", 1);
    std::string settings = ReadFile(Calendar("Team.cfg"));
    EXPECT_NE(settings.find("\r\nCOLORMAINBG=FF8000\r\n"), std::string::npos);
    EXPECT_NE(settings.find("\r\nTITLE=Calendar\r\n"), std::string::npos);
    Open();
    EXPECT_EQ(Find<RadioGroup>("rgNewCfg")->Index(), 0) << "opening chooses the defaults again";
}

TEST_F(CalendarsTabTest, NamesThatWouldLeaveTheCalendarsFolderAreRefused)
{
    Open();
    const QString outside = "A calendar name must not be empty, begin with \".\", or contain "
                            "\"/\" or control characters.";
    const struct {
        QString name, refusal;
    } rows[] = {
        {"", outside},
        {".hidden", outside},
        {"../up", outside},
        {"a/b", outside},
        {"tab\tname", outside},
        {"Team.cfg", "A calendar cannot be called \"Team.cfg\": its notes file would be the "
                     "settings file of the calendar \"Team\"."},
        {"Team.rcr", "A calendar cannot be called \"Team.rcr\": its notes file would be the "
                     "recurring entries file of the calendar \"Team\"."},
        {"Team.sent", "A calendar cannot be called \"Team.sent\": its notes file would be the "
                      "record of the pages published for the calendar \"Team\"."},
    };
    for (const auto& row : rows) {
        dialogs.Boxes.clear();
        Type("EditNewCalendar", "");
        Find<QLineEdit>("EditNewCalendar")->setText(row.name);
        Click("ButtonCreate");
        Delete(row.name);
        EXPECT_EQ(dialogs.Texts(), QStringList(2, row.refusal)) << row.name.toStdString();
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "data/calendars"), {}), 3);
    EXPECT_EQ(mainWindow.ListItems.size(), 1);
}

TEST_F(CalendarsTabTest, DeleteNeedsTheSettingsFileAndRemovesWhatThereIs)
{
    WriteFile(Calendar("Orphan"), "notes without settings");
    Open();
    ShowTab("Calendars");
    Create("Team");
    std::filesystem::remove(Calendar("Team.rcr"));
    WriteFile(Calendar(".Team.sent"), "HOST=ftp.example.org\r\n");
    WriteFile(Calendar("Team.sent"), "notes of a calendar of earlier versions");
    Delete("Orphan");
    EXPECT_EQ(dialogs.Texts(), QStringList({"No calendar with that name exists"}));
    EXPECT_TRUE(std::filesystem::exists(Calendar("Orphan")));
    Delete("Team");
    EXPECT_EQ(dialogs.Boxes.size(), 1u);
    for (const char* file : {"Team", "Team.cfg", "Team.rcr", ".Team.sent"})
        EXPECT_FALSE(std::filesystem::exists(Calendar(file))) << file;
    EXPECT_TRUE(std::filesystem::exists(Calendar("Team.sent"))) << "another calendar's file";
    EXPECT_EQ(mainWindow.ListItems, QStringList({"default calendar", "Team"}))
        << "the lists keep the name";
}

TEST_F(CalendarsTabTest, DeleteListIsTheMainListAtCreation)
{
    mainWindow.ListItems = {"alpha", "default calendar"};
    dialog = std::make_unique<TFormCfg>(context, dialogs, mainWindow);
    auto* list = Find<QComboBox>("cbDeleteCalendar");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "alpha");
    EXPECT_EQ(list->currentText(), "");
}

TEST_F(CfgDialogTest, LanguageIsAddedFromTheEditsAndThenChosen)
{
    Open();
    ShowTab("Language");
    auto* list = Find<QComboBox>("cbLanguage");
    EXPECT_EQ(list->currentText(), "");
    EXPECT_EQ(Find<QLineEdit>("EditLanguage")->text(), "English");
    Type("EditLanguage", "Elvish");
    Type("EditSun", "Anarya");
    Type("EditDec", "Ringare");
    Click("ButtonAddLang");
    EXPECT_TRUE(dialogs.Boxes.empty());
    std::vector<std::string> lines;
    for (int m = 1; m <= 12; ++m)
        lines.push_back("MONTH" + std::to_string(m) + "="
                        + (m == 12 ? "Ringare" : EnglishMonthNames[m]));
    for (int d = 1; d <= 7; ++d)
        lines.push_back("DAY" + std::to_string(d) + "=" + (d == 1 ? "Anarya" : EnglishDayNames[d]));
    EXPECT_EQ(ReadFile(dir / "program/Elvish.lang"), CrLfLines(lines));
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->itemText(i));
    EXPECT_EQ(items, QStringList(
                         {"Dutch", "Elvish", "English", "French", "German", "Italian", "Spanish"}));
    EXPECT_EQ(context.Language.DayNames[1], "Sunday") << "adding does not load";
    EXPECT_EQ(list->currentText(), "");

    list->setCurrentIndex(list->findText("German"));
    EXPECT_EQ(Find<QLineEdit>("EditSun")->text(), "Sonntag");
    list->setCurrentIndex(list->findText("Elvish"));
    EXPECT_EQ(context.Language.DayNames[1], "Anarya");
    EXPECT_EQ(context.Language.MonthNames[12], "Ringare");
    EXPECT_EQ(Find<QLineEdit>("EditSun")->text(), "Anarya");
    EXPECT_EQ(Find<QLineEdit>("EditLanguage")->text(), "Elvish");
    EXPECT_EQ(context.Settings.LANGUAGESELECTED, "English") << "until Ok";
    PressOk();
    EXPECT_EQ(Value(SettingsLines(), "LANGUAGESELECTED"), "Elvish");
}

TEST_F(CfgDialogTest, TypingAnUnknownLanguageReportsItAndKeepsTheNames)
{
    Open();
    ShowTab("Language");
    QTest::keyClicks(Find<QComboBox>("cbLanguage"), "F");
    EXPECT_EQ(dialogs.Texts(),
              QStringList({"File not found: " + QString::fromStdString(dir / "program/F.lang.")}));
    EXPECT_EQ(context.Language.MonthNames[1], "January");
    EXPECT_EQ(Find<QLineEdit>("EditLanguage")->text(), "English");
}

class RecurringTabTest : public CfgDialogTest {
protected:
    QAbstractItemView* Grid() { return Find<QAbstractItemView>("sgRecurring"); }
    QPoint Handle(int row)
    {
        return Grid()->visualRect(Grid()->model()->index(row, RecurringModel::Handle)).center();
    }
    std::vector<std::string> Descriptions(int rows) const
    {
        std::vector<std::string> texts;
        for (int row = 1; row <= rows; ++row)
            texts.push_back(context.Recurring.Row(row).Description);
        return texts;
    }
};

TEST_F(RecurringTabTest, RowsDraggedByTheGreyColumnMoveInTheListAndTheFile)
{
    WriteFile(context.RecurringFileName(), CrLfLines({"\"1\",\"1\",\"A\"", "\"2\",\"2\",\"B\"",
                                                      "\"3\",\"3\",\"C\"", "\"4\",\"4\",\"D\""}));
    Open();
    ShowTab("Recurring");
    QWidget* viewport = Grid()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, Handle(0));
    QTest::mouseMove(viewport, Handle(1));
    QTest::mouseMove(viewport, Handle(2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, Handle(2));
    EXPECT_EQ(Descriptions(4), (std::vector<std::string>{"B", "C", "A", "D"}));
    EXPECT_EQ(Grid()->model()->index(2, RecurringModel::Description).data().toString(), "A");

    QTest::mousePress(viewport, Qt::LeftButton, {}, Handle(3));
    QTest::mouseMove(viewport, Handle(0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, Handle(0));
    // A press on a cell that is not the handle moves nothing.
    QPoint cell = Grid()->visualRect(Grid()->model()->index(1, RecurringModel::Month)).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, cell);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, Handle(3));
    PressOk();
    EXPECT_EQ(ReadFile(context.RecurringFileName()),
              CrLfLines({"\"4\",\"4\",\"D\"", "\"2\",\"2\",\"B\"", "\"3\",\"3\",\"C\"",
                         "\"1\",\"1\",\"A\""}));
}

TEST_F(RecurringTabTest, EditsGoIntoTheListAtOnceWithQuotesKept)
{
    Open();
    ShowTab("Recurring");
    TypeIntoCell(Grid(), 0, RecurringModel::Month, "7");
    TypeIntoCell(Grid(), 0, RecurringModel::Day, "4");
    TypeIntoCell(Grid(), 0, RecurringModel::Description, "Say \"hi\"");
    EXPECT_EQ(context.Recurring.Row(1).Description, "Say &quot;hi&quot;");
    PressOk();
    EXPECT_EQ(ReadFile(context.RecurringFileName()), "\"7\",\"4\",\"Say &quot;hi&quot;\"\r\n");
}

TEST_F(RecurringTabTest, ReopeningLoadsTheFileAgainAndAMissingFileIsReported)
{
    WriteFile(context.RecurringFileName(), CrLfLines({"\"3\",\"17\",\"Saint's day\""}));
    Open();
    ShowTab("Recurring");
    TypeIntoCell(Grid(), 0, RecurringModel::Description, "unsaved");
    Click("ButtonCancel");
    Open();
    EXPECT_EQ(Descriptions(1), std::vector<std::string>{"Saint's day"});
    std::filesystem::remove(context.RecurringFileName());
    Open();
    EXPECT_EQ(dialogs.Texts(), QStringList({"File not found: calendars/default calendar.rcr."}));
    EXPECT_EQ(Descriptions(1), std::vector<std::string>{""});
}

}  // namespace
}  // namespace mondeliar::app::testing
