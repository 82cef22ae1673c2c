// The main window driven as a user would: start-up, month stepping, the calendar list,
// Write, the dialogs it opens, Help, Exit.

#include "app/desktop_fixture.h"
#include "app/form_about.h"
#include "app/form_cfg.h"
#include "app/form_add_note.h"
#include "app/form_purge.h"
#include "app/month_grid.h"
#include "base/files.h"
#include "base/program.h"
#include "base/program_folders.h"
#include "base/release.h"
#include "base/text_reader.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCharFormat>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

namespace mondeliar::app::testing {
namespace {

using mondeliar::testing::ReadFile;
using mondeliar::testing::WriteFile;

class MainWindowTest : public DesktopTest {
protected:
    QComboBox* CalendarList() { return Control<QComboBox>(Main(), "cbSelectCalendar"); }

    // Types into the calendar list's edit, key by key.
    void TypeCalendarName(const QString& name)
    {
        QLineEdit* edit = CalendarList()->lineEdit();
        edit->setFocus();
        edit->selectAll();
        TypeText(edit, name);
    }

    QColor WeekendColour()
    {
        auto* grid = Control<MonthGrid>(Main(), "Calendar1");
        return grid->weekdayTextFormat(Qt::Sunday).foreground().color();
    }

    QTextCharFormat Mark(int year, int month, int day)
    {
        return Control<MonthGrid>(Main(), "Calendar1")->dateTextFormat(QDate(year, month, day));
    }
};

TEST_F(MainWindowTest, FirstLaunchInAnEmptyFolderCreatesTheDefaultCalendar)
{
    Start();
    EXPECT_EQ(ReadFile(data / "calendars/default calendar"), "");
    EXPECT_EQ(ReadFile(data / "calendars/default calendar.rcr"), "");
    std::string settings = ReadFile(data / "calendars/default calendar.cfg");
    EXPECT_EQ(settings.rfind("NOTEPATH=\r\nNOTEPATH=calendars/\r\n", 0), 0u);
    EXPECT_NE(settings.find("\r\nHTMLPATH=" + program.Path() + "\r\n"), std::string::npos);

    EXPECT_EQ(Main().windowTitle(), "Quellbrook - Mondeliar");
    EXPECT_EQ(CalendarList()->currentText(), "default calendar");
    EXPECT_EQ(Main().CalendarListItems(), QStringList{"default calendar"});
    EXPECT_EQ(CalendarList()->currentIndex(), -1) << "no item is selected";
    auto* gauge = Control<QProgressBar>(Main(), "GaugeUsage");
    EXPECT_EQ(gauge->value(), 0);
    EXPECT_EQ(gauge->text(), "0 of 1000");
    EXPECT_EQ(DateLabel(), "February 5, 2002");
    EXPECT_TRUE(Main().isVisible());
    EXPECT_TRUE(Main().isEnabled());
    for (QWidget* dialog :
         std::initializer_list<QWidget*>{desktop->FormCfg(), &desktop->FormAddNote(),
                                         &desktop->FormPurge(), &desktop->FormAbout()})
        EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();
}

TEST_F(MainWindowTest, ControlsCarryTheirCaptionsHintsAndTabOrder)
{
    Start();
    struct Row {
        const char* name;
        const char* caption;
        const char* hint;
    };
    const Row rows[] = {
        {"ButtonAbout", "&About", "About the program"},
        {"ButtonCfg", "&Configure", "Set configuration options"},
        {"ButtonWrite", "&Write", "Write out .html files"},
        {"ButtonPublish", "&Publish", "Send calendar to web server via FTP"},
        {"ButtonHelp", "&Help", "Program documentation via html"},
        {"ButtonPurge", "P&urge", "Remove old calendar entries"},
        {"ButtonExit", "E&xit", "Terminate the program"},
        {"ButtonPrev", "Pre&vious month", "Display previous month"},
        {"ButtonNext", "&Next month", "Display next month"},
        {"ButtonToday", "&Today", "Display today's date (Home)"},
    };
    for (const Row& row : rows) {
        auto* button = Control<QAbstractButton>(Main(), row.name);
        EXPECT_EQ(button->text(), row.caption);
        EXPECT_EQ(button->toolTip(), row.hint);
        // Nothing is clipped: each button is at least as wide as its caption needs.
        EXPECT_GE(button->width(), button->sizeHint().width()) << row.name;
    }
    EXPECT_EQ(CalendarList()->toolTip(), "Select calendar from list");
    EXPECT_EQ(Control(Main(), "GaugeUsage")->toolTip(), "Percentage of available entries used");
    EXPECT_EQ(Control(Main(), "Calendar1")->toolTip(), "DoubleClick on date to add note");

    const QStringList order = {"ButtonAbout", "ButtonCfg",        "ButtonWrite", "ButtonPublish",
                               "ButtonHelp",  "cbSelectCalendar", "ButtonPurge", "ButtonExit",
                               "ButtonPrev",  "ButtonNext",       "ButtonToday", "Calendar1"};
    QStringList chain;
    QWidget* widget = Control(Main(), "ButtonAbout");
    for (int steps = 0; steps < 200 && chain.size() < order.size(); ++steps) {
        if (order.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(chain, order);
}

// Months step by the buttons (or the grid's Page Up/Down), years by Ctrl+Page Up/Down;
// Home and Today go to the launch date.
TEST_F(MainWindowTest, SteppingKeepsTheDayOrTakesTheMonthsLastDay)
{
    struct Row {
        Date from;
        const char* button;  // or "" for a key pressed on the grid
        const char* label;
        QKeyCombination key = {};
    };
    const Row rows[] = {
        {{2002, 1, 31}, "ButtonNext", "February 28, 2002"},
        {{2002, 3, 31}, "ButtonPrev", "February 28, 2002"},
        {{2004, 1, 31}, "ButtonNext", "February 29, 2004"},
        {{2002, 12, 15}, "ButtonNext", "January 15, 2003"},
        {{2003, 1, 15}, "ButtonPrev", "December 15, 2002"},
        {{2004, 2, 29}, "", "February 28, 2005", Qt::CTRL | Qt::Key_PageDown},
        {{2002, 7, 15}, "", "July 15, 2001", Qt::CTRL | Qt::Key_PageUp},
        {{2003, 7, 15}, "", "February 5, 2002", Qt::Key_Home},
        {{2003, 7, 15}, "ButtonToday", "February 5, 2002"},
    };
    Start();
    auto* grid = Control<MonthGrid>(Main(), "Calendar1");
    for (const Row& row : rows) {
        grid->ShowDate(row.from);
        if (*row.button)
            Click(Main(), row.button);
        else
            QTest::keyClick(grid->findChild<QAbstractItemView*>(), row.key.key(),
                            row.key.keyboardModifiers());
        EXPECT_EQ(DateLabel(), row.label) << row.button;
        EXPECT_EQ(grid->monthShown(), GridDate().Month) << "the grid shows the new month";
    }
}

// The Delete key on a date with notes asks, then removes them and saves the notes file.
TEST_F(MainWindowTest, TheDeleteKeyRemovesADatesNotesAfterAsking)
{
    WriteNotes("default calendar", {{2, 5, 2002, "Meeting"}, {2, 14, 2002, "Dinner"}});
    Start();
    auto* view = Control<MonthGrid>(Main(), "Calendar1")->findChild<QAbstractItemView*>();
    dialogs.YesNoAnswers = {false, true};
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(Mark(2002, 2, 5).fontWeight(), QFont::Bold) << "No keeps them";
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(dialogs.Questions, QStringList(2, "Delete the notes of February 5, 2002?"));
    EXPECT_NE(Mark(2002, 2, 5).fontWeight(), QFont::Bold);
    Context().Entries.LoadEntries();
    EXPECT_EQ(Context().Entries.CountUsedEntries(), 1) << "the file was saved without them";
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(dialogs.Questions.size(), 2) << "a date without notes asks nothing";
}

TEST_F(MainWindowTest, SwitchToAFrenchCalendarChangesLabelAndCaptionsAtOnce)
{
    WriteFile(program / "Francais.lang", ReadFile(program / "French.lang")
                                             + "formMain.ButtonWrite=\xC9\x63rire\r\n"
                                               "formMain.ButtonWriteHint=\xC9\x63rire les pages\r\n"
                                               "formMain.ButtonNext=Mois suivant\r\n");
    CreateCalendar("Club", "LANGUAGESELECTED=Francais\r\n");
    WriteNotes("Club", {{2, 14, 2002, "Assembl\xE9\x65"}});
    Start();
    EXPECT_EQ(Main().CalendarListItems(), (QStringList{"Club", "default calendar"}));

    // Picking the item with the keyboard switches at once.
    CalendarList()->setFocus();
    QTest::keyClick(CalendarList(), Qt::Key_Down);
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();
    EXPECT_EQ(Main().windowTitle(), "Mondeliar - Club");
    EXPECT_EQ(DateLabel(), QString::fromUtf8("F\xC3\xA9vrier 5, 2002"));
    auto* write = Control<QPushButton>(Main(), "ButtonWrite");
    EXPECT_EQ(write->text(), QString::fromUtf8("\xC3\x89\x63rire"));
    EXPECT_EQ(write->toolTip(), QString::fromUtf8("\xC3\x89\x63rire les pages"));
    EXPECT_EQ(Control<QPushButton>(Main(), "ButtonNext")->text(), "Mois suivant");
    EXPECT_EQ(Control<QProgressBar>(Main(), "GaugeUsage")->value(), 1);
    EXPECT_EQ(Mark(2002, 2, 14).fontWeight(), QFont::Bold);
    EXPECT_EQ(Mark(2002, 2, 14).toolTip(), QString::fromUtf8("<qt>Assembl\xC3\xA9\x65</qt>"));

    // Back by typing the name and leaving the edit with Tab: the captions stay, as no
    // English file carries any.
    TypeCalendarName("default calendar");
    EXPECT_EQ(Main().windowTitle(), "Mondeliar - Club") << "no switch while typing";
    QTest::keyClick(CalendarList()->lineEdit(), Qt::Key_Tab);
    EXPECT_EQ(Main().windowTitle(), "Mondeliar - default calendar");
    EXPECT_EQ(DateLabel(), "February 5, 2002");
    EXPECT_EQ(write->text(), QString::fromUtf8("\xC3\x89\x63rire"));
    EXPECT_NE(Mark(2002, 2, 14).fontWeight(), QFont::Bold);
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();
}

// A name that is no calendar switches nothing: the error names the missing file, and the
// list shows the current calendar again.
TEST_F(MainWindowTest, ATypedNameThatIsNoCalendarIsReportedOnceAndTheListReturns)
{
    WriteNotes("default calendar", {{2, 5, 2002, "Meeting"}});
    WriteNotes("Orphan", {});
    Start();
    const std::pair<QString, QString> rows[] = {
        {"Team", "File not found: calendars/Team."},
        {"Orphan", "File not found: calendars/Orphan.cfg."},
    };
    for (const auto& [name, report] : rows) {
        dialogs.Boxes.clear();
        TypeCalendarName(name);
        QTest::keyClick(CalendarList()->lineEdit(), Qt::Key_Return);
        // Leaving the edit afterwards tries nothing again.
        QTest::keyClick(CalendarList()->lineEdit(), Qt::Key_Tab);
        EXPECT_EQ(Boxes(), QStringList{report});
        EXPECT_EQ(CalendarList()->currentText(), "default calendar");
        EXPECT_EQ(Mark(2002, 2, 5).fontWeight(), QFont::Bold) << "its notes stay";
        EXPECT_EQ(Main().windowTitle(), "Quellbrook - Mondeliar");
    }
}

TEST_F(MainWindowTest, WriteLeavesTheGridOnTheLaunchDate)
{
    std::filesystem::create_directories(data / "site");
    SetSettings("HTMLPATH=" + (data / "site/") + "\r\nSTARTWEEK=1\r\n");
    Start();
    auto* grid = Control<MonthGrid>(Main(), "Calendar1");
    EXPECT_EQ(grid->firstDayOfWeek(), Qt::Monday) << "STARTWEEK applies at start-up";
    grid->ShowDate({2002, 7, 15});
    Click(Main(), "ButtonWrite");
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();
    EXPECT_EQ(GridDate(), LaunchDate);
    EXPECT_EQ(DateLabel(), "February 5, 2002");
    int pages = 0;
    for ([[maybe_unused]] const auto& page : std::filesystem::directory_iterator(data / "site"))
        ++pages;
    EXPECT_EQ(pages, 14);
    // A line below the grid says so, and opens the current month's page.
    EXPECT_EQ(Control<QLabel>(Main(), "LabelWritten")->text(),
              QString::fromStdString("14 pages written to " + (data / "site/")));
    Click(Main(), "ButtonOpenPage");
    EXPECT_EQ(dialogs.OpenedDocuments,
              QStringList{QString::fromStdString(data / "site/current.html")});
}

// Each dialog disables the main window while it is open; each way of closing it enables
// the main window again.
TEST_F(MainWindowTest, TheMainWindowIsDisabledWhileADialogIsOpen)
{
    struct Row {
        const char* opener;  // a button of the main window, or "" for a double-click on a date
        const char* dialog;
        std::function<void(QDialog&)> close;
    };
    auto clickOn = [this](const char* button) {
        return [this, button](QDialog& dialog) { Click(dialog, button); };
    };
    auto escape = [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
    auto closeBox = [](QDialog& dialog) { dialog.close(); };
    const Row rows[] = {
        {"ButtonAbout", "formAbout", clickOn("ButtonOk")},
        {"ButtonAbout", "formAbout", escape},
        {"ButtonPurge", "formPurge", clickOn("ButtonDone")},
        {"ButtonPurge", "formPurge", closeBox},
        {"ButtonPurge", "formPurge", escape},
        {"", "formAddNote", clickOn("ButtonCancel")},
        {"", "formAddNote", clickOn("ButtonOk")},
    };
    Start();
    // The modeless configuration dialog stays usable meanwhile.
    Click(Main(), "ButtonCfg");
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.dialog) + " opened by " + row.opener);
        if (*row.opener)
            Click(Main(), row.opener);
        else
            DoubleClickDate(LaunchDate);
        auto* dialog = Main().findChild<QDialog*>(row.dialog);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isEnabled());
        EXPECT_FALSE(Main().isEnabled());
        EXPECT_TRUE(desktop->FormCfg()->isEnabled());
        EXPECT_EQ(WeekendColour(), Main().palette().color(QPalette::Disabled, QPalette::Text));
        row.close(*dialog);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(Main().isEnabled());
        EXPECT_EQ(WeekendColour(), QColor(Qt::red));
    }
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();
}

TEST_F(MainWindowTest, NoteEditorAboutBoxAndConfigureHaveNoCloseBox)
{
    Start();
    for (QWidget* dialog :
         {static_cast<QWidget*>(&desktop->FormAddNote()),
          static_cast<QWidget*>(&desktop->FormAbout()), static_cast<QWidget*>(desktop->FormCfg())})
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint)
            << dialog->objectName().toStdString();
    EXPECT_TRUE(desktop->FormPurge().windowFlags() & Qt::WindowCloseButtonHint
                || !(desktop->FormPurge().windowFlags() & Qt::CustomizeWindowHint));
    // Neither Escape nor the window manager's close takes typed notes away unasked.
    DoubleClickDate(LaunchDate);
    TypeText(Control(desktop->FormAddNote(), "EditDateImage"), "x.gif");
    QTest::keyClick(&desktop->FormAddNote(), Qt::Key_Escape);
    desktop->FormAddNote().close();
    EXPECT_EQ(dialogs.Questions, QStringList(2, "Discard the changes to this date?"));
    EXPECT_TRUE(desktop->FormAddNote().isVisible());
    EXPECT_FALSE(Main().isEnabled());
    // Nor does closing the main window meanwhile end the program.
    Main().close();
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(Main().isVisible());
}

TEST_F(MainWindowTest, AboutBoxShowsTheProgramAndOpensItsAddresses)
{
    Start();
    Click(Main(), "ButtonAbout");
    TFormAbout& about = desktop->FormAbout();
    EXPECT_EQ(about.windowTitle(), "About Mondeliar");
    EXPECT_EQ(Control<QLabel>(about, "LabelProgramName")->text(), "Mondeliar");
    EXPECT_EQ(Control<QLabel>(about, "LabelVersion")->text(), QString("Version ") + ReleaseVersion);
    EXPECT_EQ(Control<QLabel>(about, "LabelURL")->toolTip(), "Visit my web page");
    EXPECT_EQ(Control<QLabel>(about, "Image2")->toolTip(), "See my wishlist");
    QPixmap banner = Control<QLabel>(about, "Image1")->pixmap();
    EXPECT_EQ(banner.size(), QSize(505, 57)) << "the banner decodes";

    QTest::mouseClick(Control(about, "LabelURL"), Qt::LeftButton);
    QTest::mouseDClick(Control(about, "Image2"), Qt::LeftButton);
    EXPECT_EQ(dialogs.OpenedDocuments, (QStringList{MakerWebAddress, WishListAddress}));
}

TEST_F(MainWindowTest, HelpOpensTheDocumentationOfTheDataFolderOrSaysWhereItLooked)
{
    Start();
    Click(Main(), "ButtonHelp");
    EXPECT_EQ(Boxes(),
              QStringList{"The help pages were not found. Mondeliar looked for "
                          + QString::fromStdString(data / "doc/index.html") + " and "
                          + QString::fromStdString(InstalledHelpIndexPage(ExecutableFolder()))
                          + "."});
    EXPECT_TRUE(dialogs.OpenedDocuments.isEmpty());
    std::filesystem::create_directory(data / "doc");
    WriteFile(data / "doc/index.html", "<html></html>");
    Click(Main(), "ButtonHelp");
    EXPECT_EQ(dialogs.OpenedDocuments,
              QStringList{QString::fromStdString(data / "doc/index.html")});
    EXPECT_EQ(Boxes().size(), 1);
}

TEST_F(MainWindowTest, ExitAndClosingTheWindowEndTheProgram)
{
    Start();
    Click(Main(), "ButtonExit");
    EXPECT_EQ(terminations, 1);
    Main().close();
    EXPECT_EQ(terminations, 2);
}

TEST_F(MainWindowTest, APlainFileNamedCalendarsIsReportedAndTheWindowStays)
{
    WriteFile(data / "calendars", "");
    Start();
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::ErrorReport);
    EXPECT_EQ(dialogs.Boxes[0].Text, "Invalid filename: calendars/default calendar.");
    EXPECT_TRUE(Main().isVisible());
    EXPECT_TRUE(Main().isEnabled());
}

// An extra HTML file that cannot be read is reported; Configure works all the same, and its
// Ok leaves the file alone until the user types into that text.
TEST_F(MainWindowTest, AnUnreadableExtraHtmlFileLeavesConfigureUsableAndTheFileAlone)
{
    const std::pair<const char*, std::function<void(const std::string&)>> rows[] = {
        {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"too large",
         [](const std::string& path) {
             WriteFile(path, "");
             std::filesystem::resize_file(path, HtmlTextSizeLimit + 1);
         }},
    };
    const std::string header = data / "pagetrim.header";
    for (const auto& [what, make] : rows) {
        SCOPED_TRACE(what);
        desktop.reset();
        dialogs.Boxes.clear();
        std::filesystem::remove_all(header);
        make(header);
        auto kept = std::filesystem::status(header).type();
        Start();
        ASSERT_EQ(dialogs.Boxes.size(), 1u);
        EXPECT_TRUE(dialogs.Boxes[0].Text.startsWith(QString::fromStdString(header)));
        Click(Main(), "ButtonCfg");
        auto* memo = Control<QPlainTextEdit>(*desktop->FormCfg(), "MemoHeader");
        EXPECT_TRUE(memo->toPlainText().isEmpty());
        EXPECT_TRUE(memo->placeholderText().contains("could not be read"));
        Click(*desktop->FormCfg(), "ButtonOk");
        EXPECT_FALSE(desktop->FormCfg()->isVisible());
        EXPECT_EQ(std::filesystem::status(header).type(), kept);
    }
    // Typed into, the text replaces the file that was only too large.
    Click(Main(), "ButtonCfg");
    TypeText(Control(*desktop->FormCfg(), "MemoHeader"), "<P>Head</P>");
    Click(*desktop->FormCfg(), "ButtonOk");
    EXPECT_EQ(ReadFile(header), "<P>Head</P>\r\n");
}

TEST_F(MainWindowTest, CalendarsFolderThatCannotBeCreatedIsFatal)
{
    auto none = StartDesktop(dialogs, {program.Path(), data / "missing/"}, LaunchDate);
    EXPECT_EQ(none, nullptr);
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::Warning);
    EXPECT_EQ(dialogs.Boxes[0].Text, "FATAL ERROR: Cannot create calendars directory.");
}

// Without a display the program only answers --version and --help, and otherwise says why
// it ends, in one line.
TEST(DesktopProgramTest, WithoutADisplayItSaysSoAndEnds)
{
    struct Case {
        std::string arguments;
        int status;
        std::string out, err;
    } cases[] = {
        {"", 1, "", "no display"},
        {"--data cal", 1, "", "no display"},
        {"--version", 0, "mondeliar " + std::string(ReleaseVersion) + "\n", ""},
        {"--data cal --help", 0, "Usage: mondeliar [--data DIR]", ""},
        {"--data", 1, "", "mondeliar: The option --data needs a value"},
    };
    for (const Case& c : cases) {
        mondeliar::testing::TempDir folder;
        std::string command = "cd '" + folder.Path()
                              + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '"
                              + MONDELIAR_DESKTOP + "' " + c.arguments + " >out 2>err";
        int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status) << c.arguments;
        std::string out = ReadFile(folder / "out");
        std::string err = ReadFile(folder / "err");
        EXPECT_EQ(out.substr(0, c.out.size()), c.out) << c.arguments;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.err.empty() ? 0 : 1) << err;
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(folder / "calendars"));
        EXPECT_FALSE(std::filesystem::exists(folder / "cal"));
    }
}

}  // namespace
}  // namespace mondeliar::app::testing
