// The configuration dialog driven as a user would: opening, Ok and Cancel, the tabs'
// controls and the files they end up in.
#include "app/cfg_dialog_fixture.h"
#include "app/colour_text.h"
#include "app/date_picker.h"
#include "app/page_preview.h"
#include "app/radio_group.h"
#include "html/write_command.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>

#include <filesystem>

namespace mondeliar::app::testing {
namespace {

using mondeliar::testing::CrLfLines;
using mondeliar::testing::ReadFile;
using mondeliar::testing::WriteFile;

// The default settings file after the first Ok: COLUMNWIDTH and ROWHEIGHT read back as false
// from their empty values, and the remote folder gets its "/".
std::vector<std::string> DefaultLinesAfterOk(const std::string& htmlPath)
{
    return {"NOTEPATH=calendars/",
            "NOTEPATH=calendars/",
            "PURGEYEAR=2000",
            "PURGEMONTH=1",
            "PURGEDAY=1",
            "HTMLPATH=" + htmlPath,
            "STARTYEAR=0",
            "HTMLFILENAME=0",
            "FILEEXTENSION=.html",
            "STARTWEEK=0",
            "ADDYEAR=FALSE",
            "ALLOWLINK=TRUE",
            "SELECTEDSTARTMONTH=1",
            "SELECTEDSTARTYEAR=1",
            "FTPUSER=",
            "FTPHOST=",
            "FTPPORT=21",
            "FTPPASSWORD=",
            "FTPREMOTEDIR=/",
            "LANGUAGESELECTED=English",
            "LANGUAGEOPTIONS=0",
            "ALIGNTABLE=1",
            "ALIGNDATE=0",
            "MONTHLINKS=3",
            "COLUMNWIDTH=FALSE",
            "ROWHEIGHT=FALSE",
            "YEARLABEL=1",
            "MONTHLABEL=1",
            "HEADINGTAGYEAR=H1",
            "HEADINGTAGMONTH=H3",
            "HEADINGTAGDAY=H4",
            "STYLESHEET=",
            "BORDER=5",
            "WIDTH=100",
            "BACKGROUNDIMAGE=",
            "FONTFACE=Verdana",
            "DISPLAYWEBPAGETITLE=FALSE",
            "LASTUPDATE=TRUE",
            "USEBORDERCOLOR=FALSE",
            "NOTEDIVIDER=<BR><BR>",
            "COLORMAINBG=FFFFFF",
            "COLORMAINFG=000000",
            "COLORMONTHNAMEBG=FFFFFF",
            "COLORMONTHNAMEFG=000000",
            "COLORDAYNAMEBG=FFFFFF",
            "COLORDAYNAMEFG=000000",
            "COLORBLANKCELLBG=FFFFFF",
            "COLORDATESBG=FFFFFF",
            "COLORDATESFG=000000",
            "COLORNOTESBG=FFFFFF",
            "COLORNOTESFG=000000",
            "COLORBORDER=C0C0C0",
            "TITLE=Calendar",
            "DESCRIPTION=",
            "REPLYTO=webmaster",
            "AUTHOR=Pellworth",
            "ADDMONTHTOTITLE=TRUE",
            "KEYWORDS=",
            "HTMLOPTION=0",
            "FOOTERFILE=",
            "HEADERFILE="};
}

void SetValue(std::vector<std::string>& lines, const std::string& key, const std::string& value)
{
    for (std::string& line : lines)
        if (line.rfind(key + "=", 0) == 0) {
            line = key + "=" + value;
            return;
        }
    ADD_FAILURE() << "no key " << key;
}

TEST_F(CfgDialogTest, OkStoresASettingOfEveryTabInTheFileOrder)
{
    dialogs.ColorAnswers = {QColor(0xFF, 0x80, 0x00)};
    Open();
    ShowTab("Calendars");
    Find<DatePicker>("DateTimePickerPurge")->setDate(QDate(2003, 4, 5));
    ShowTab("Output");
    Type("EditPath", QString::fromStdString(dir / "pages"));
    Choose("rgStartweek", 1);
    Type("EditFTPhost", "ftp.example.org");
    Type("EditFTPpath", "pub");
    Click("cbFTPPassive");
    ShowTab("Language");
    auto* languages = Find<QComboBox>("cbLanguage");
    languages->setCurrentIndex(languages->findText("German"));
    ShowTab("Appearance");
    Choose("rgAlignDate", 2);
    Click("cbDisplayTitle");
    Type("SpinEditWidth", "80");
    ShowTab("Colors");
    Click("ButtonBGmain");
    ShowTab("Meta tags");
    Type("EditTitle", "Club");
    ShowTab("Additional HTML");
    Choose("rgHTML", 2);
    QTest::keyClicks(Find<QPlainTextEdit>("MemoHeader"), "<P>Hi</P>");
    ShowTab("Recurring");
    auto* grid = Find<QAbstractItemView>("sgRecurring");
    TypeIntoCell(grid, 0, 1, "3");
    TypeIntoCell(grid, 0, 2, "17");
    TypeIntoCell(grid, 0, 3, "Saint's day");
    PressOk();

    EXPECT_TRUE(dialogs.Boxes.empty()) << dialogs.Texts().join("|").toStdString();
    std::vector<std::string> expected = DefaultLinesAfterOk(dir / "pages/");
    SetValue(expected, "PURGEYEAR", "2003");
    SetValue(expected, "PURGEMONTH", "4");
    SetValue(expected, "PURGEDAY", "5");
    SetValue(expected, "STARTWEEK", "1");
    SetValue(expected, "FTPHOST", "ftp.example.org");
    SetValue(expected, "FTPREMOTEDIR", "pub/");
    SetValue(expected, "LANGUAGESELECTED", "German");
    SetValue(expected, "ALIGNDATE", "2");
    SetValue(expected, "DISPLAYWEBPAGETITLE", "TRUE");
    SetValue(expected, "WIDTH", "80");
    SetValue(expected, "COLORMAINBG", "FF8000");
    SetValue(expected, "TITLE", "Club");
    SetValue(expected, "HTMLOPTION", "2");
    expected.push_back("FTPPASSIVE=TRUE");
    EXPECT_EQ(SettingsLines(), expected);
    EXPECT_EQ(ReadFile(dir / "data/pagetrim.header"), "<P>Hi</P>\r\n");
    EXPECT_EQ(ReadFile(dir / "data/pagetrim.footer"), "");
    EXPECT_EQ(ReadFile(context.RecurringFileName()), "\"3\",\"17\",\"Saint's day\"\r\n");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(mainWindow.FirstDayOfWeek, 1);
    EXPECT_EQ(mainWindow.ListText, "default calendar");
    EXPECT_TRUE(mainWindow.ListEnabled);
    EXPECT_EQ(mainWindow.BroughtToFront, 1);
}

TEST_F(CfgDialogTest, OutputFolderIsCheckedAndCreatedOnlyWhenTheUserAgrees)
{
    WriteFile(dir / "plain.txt", "x");
    const std::string missing = dir / "new/deeper";
    struct Case {
        const char* what;
        std::string typed;
        std::deque<bool> answers;
        QStringList boxes;
        QStringList questions;
        bool stored;  // Ok went through and stored HTMLPATH
    };
    const QString question = "The path \"" + QString::fromStdString(missing)
                             + "/\" does not exist. Would you like to create this directory?";
    Case cases[] = {
        {"blank", "", {}, {"Path for HTML output cannot be blank."}, {}, false},
        {"existing folder, slash added", dir / "pages", {}, {}, {}, true},
        {"existing folder with its slash", dir / "pages/", {}, {}, {}, true},
        {"a plain file passes without a question", dir / "plain.txt", {}, {}, {}, true},
        {"missing, answered No", missing, {false}, {}, {question}, false},
        {"missing, answered Yes", missing, {true}, {"New directory created"}, {question}, true},
        {"cannot be created",
         dir / "plain.txt/sub",
         {true},
         {"Cannot create directory. Check syntax"},
         {"The path \"" + QString::fromStdString(dir / "plain.txt/sub")
          + "/\" does not exist. Would you like to create this directory?"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs = RecordingDialogs();
        dialogs.YesNoAnswers = c.answers;
        context.Settings.HTMLPATH = "/before/";
        Open();
        Type("EditPath", QString::fromStdString(c.typed));
        PressOk();
        EXPECT_EQ(dialogs.Texts(), c.boxes);
        EXPECT_EQ(dialogs.Questions, c.questions);
        EXPECT_EQ(dialog->isVisible(), !c.stored);
        std::string slashed = c.typed.empty() || c.typed.back() == '/' ? c.typed : c.typed + "/";
        EXPECT_EQ(context.Settings.HTMLPATH, c.stored ? slashed : "/before/");
        EXPECT_EQ(Find<QLineEdit>("EditPath")->text().toStdString(), slashed);
        EXPECT_EQ(context.Settings.PURGEYEAR, 2000) << "the purge date is stored first";
        if (c.stored) {
            EXPECT_EQ(Value(SettingsLines(), "HTMLPATH"), slashed);
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(missing));
    EXPECT_EQ(dialogs.Boxes.front().Kind, BoxKind::Warning);
}

TEST_F(CfgDialogTest, RemoteFolderEndsWithASlash)
{
    const std::pair<QString, std::string> cases[] = {{"", "/"}, {"pub", "pub/"}, {"pub/", "pub/"}};
    for (const auto& [typed, stored] : cases) {
        Open();
        Type("EditFTPpath", typed);
        PressOk();
        EXPECT_EQ(context.Settings.FTPREMOTEDIR, stored) << typed.toStdString();
    }
}

TEST_F(CfgDialogTest, KeywordsAreJoinedWithLeadingCommasAndShownFromRowOne)
{
    Open();
    auto* grid = Find<QTableWidget>("sgKeywords");
    TypeIntoCell(grid, 0, 0, "alpha");
    TypeIntoCell(grid, 3, 0, "beta");
    PressOk();
    EXPECT_EQ(context.Settings.KEYWORDS, ",alpha,beta");
    EXPECT_EQ(Value(SettingsLines(), "KEYWORDS"), ",alpha,beta");
    Open();
    QStringList shown;
    for (int row = 0; row < 4; ++row)
        shown.push_back(grid->item(row, 0)->text());
    EXPECT_EQ(shown, QStringList({"", "alpha", "beta", ""}));
}

TEST_F(CfgDialogTest, KeywordsBeyondTheLastRowAreKeptInIt)
{
    std::string keywords;
    for (int k = 1; k <= 60; ++k)
        keywords += "," + std::to_string(k);
    context.Settings.KEYWORDS = keywords;
    Open();
    PressOk();
    EXPECT_EQ(context.Settings.KEYWORDS, keywords);
}

TEST_F(CfgDialogTest, ColourButtonStoresAtOnceAndCancelKeepsIt)
{
    dialogs.ColorAnswers = {QColor(0xFF, 0x80, 0x00), std::nullopt};
    Open();
    ShowTab("Colors");
    Click("ButtonBGmain");
    EXPECT_EQ(context.Settings.COLORMAINBG, "FF8000");
    auto* panel = Find<QWidget>("PanelMain");
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x00));
    Click("ButtonFGnote");  // cancelled: the old colour is stored again
    EXPECT_EQ(context.Settings.COLORNOTESFG, "000000");
    Click("ButtonCancel");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(context.Settings.COLORMAINBG, "FF8000");
    EXPECT_EQ(Value(SettingsLines(), "COLORMAINBG"), "FFFFFF") << "saved only by Ok";
    Open();
    PressOk();
    EXPECT_EQ(Value(SettingsLines(), "COLORMAINBG"), "FF8000");
}

TEST_F(CfgDialogTest, ColourTextsConvertBothWays)
{
    EXPECT_EQ(ColorFromHex("FF8000"), QColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(ColorFromHex("12345a"), QColor(0x12, 0x34, 0x5A));
    for (const char* text : {"", "FFF", "FF80001", "GG8000", " F8000"})
        EXPECT_EQ(ColorFromHex(text), std::nullopt) << text;
    EXPECT_EQ(HexFromColor(QColor(0x12, 0x34, 0x56)), "123456");
    EXPECT_EQ(HexFromColor(QColor(0xAB, 0x0C, 0xFF)), "AB0CFF");
}

TEST_F(CfgDialogTest, ACalendarThatNeverUsedTheNewKeysKeepsItsFileByteForByte)
{
    Open();
    PressOk();
    std::string first = SettingsFile();
    EXPECT_EQ(SettingsLines().size(), 61u);
    Open();
    PressOk();
    EXPECT_EQ(SettingsFile(), first);

    Open();
    Click("cbFTPTLS");
    Type("EditFTPTLSFingerprint", "AB:CD");
    Click("cbICSFeed");
    Choose("rgPageStyle", 1);
    PressOk();
    std::vector<std::string> lines = SettingsLines();
    ASSERT_EQ(lines.size(), 65u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 61, lines.end()),
              (std::vector<std::string>{"FTPTLS=TRUE", "FTPTLSFINGERPRINT=AB:CD", "ICSFEED=TRUE",
                                        "PAGESTYLE=1"}));
    for (const char* name : {"cbFTPPassive", "cbFTPChangedOnly", "cbFTPAtomic"})
        EXPECT_FALSE(Find<QCheckBox>(name)->isChecked()) << name;
}

TEST_F(CfgDialogTest, CalendarListIsDisabledWhileTheDialogIsShown)
{
    const std::pair<const char*, std::function<void()>> closings[] = {
        {"Ok", [&] { PressOk(); }},
        {"Cancel", [&] { Click("ButtonCancel"); }},
        {"Escape", [&] { QTest::keyClick(dialog.get(), Qt::Key_Escape); }},
        {"close button", [&] { dialog->close(); }},
    };
    for (const auto& [what, close] : closings) {
        SCOPED_TRACE(what);
        mainWindow.ListText = "default calendar";
        Open();
        EXPECT_FALSE(mainWindow.ListEnabled);
        EXPECT_EQ(dialog->windowTitle(), "Configuration settings for default calendar calendar.");
        mainWindow.ListText = "typed meanwhile";
        close();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(mainWindow.ListEnabled);
        EXPECT_EQ(mainWindow.ListText, "default calendar");
    }
    EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(CfgDialogTest, OpensOnMetaTagsFirstAndLaterOnTheTabLastShown)
{
    EXPECT_EQ(dialog->windowTitle(), "Configuration");
    Open();
    auto* tabs = Find<QTabWidget>("PageControl");
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "Meta tags");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions.push_back(tabs->tabText(i));
    EXPECT_EQ(captions, QStringList({"Calendars", "Output", "Language", "Appearance", "Colors",
                                     "Meta tags", "Additional HTML", "Recurring"}));
    ShowTab("Colors");
    Click("ButtonCancel");
    Open();
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "Colors");
}

TEST_F(CfgDialogTest, InvalidStoredDatesOpenAsTheNearestRealDates)
{
    struct Case {
        Date stored, shown;
    };
    const Case cases[] = {
        {{2001, 0, 31}, {2001, 1, 31}}, {{2001, 2, 30}, {2001, 2, 28}},
        {{2000, 2, 30}, {2000, 2, 29}}, {{0, 13, 0}, {1, 12, 1}},
        {{2002, 5, 17}, {2002, 5, 17}}, {{40000, 6, 31}, {40000, 6, 30}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NearestRealDate(c.stored.Year, c.stored.Month, c.stored.Day), c.shown)
            << c.stored.Year << "-" << c.stored.Month << "-" << c.stored.Day;

    // As after loading a file that lacks the keys: every control is filled all the same.
    context.Settings.PURGEMONTH = 0;
    context.Settings.SELECTEDSTARTMONTH = 0;
    context.Settings.SELECTEDSTARTYEAR = 0;
    context.Settings.KEYWORDS = ",alpha";
    context.Settings.TITLE = "Kept";
    Open();
    EXPECT_TRUE(dialogs.Boxes.empty());
    EXPECT_EQ(Find<DatePicker>("DateTimePickerPurge")->date(), QDate(2000, 1, 1));
    EXPECT_EQ(Find<QTableWidget>("sgKeywords")->item(1, 0)->text(), "alpha");
    PressOk();
    std::vector<std::string> lines = SettingsLines();
    EXPECT_EQ(Value(lines, "PURGEMONTH"), "1");
    EXPECT_EQ(Value(lines, "SELECTEDSTARTMONTH"), "1");
    EXPECT_EQ(Value(lines, "SELECTEDSTARTYEAR"), "1");
    EXPECT_EQ(Value(lines, "KEYWORDS"), ",alpha");
    EXPECT_EQ(Value(lines, "TITLE"), "Kept");
}

TEST_F(CfgDialogTest, SelectedStartPickerFollowsTheStartYearChoice)
{
    context.Settings.STARTYEAR = 2;
    context.Settings.SELECTEDSTARTMONTH = 3;
    context.Settings.SELECTEDSTARTYEAR = 2001;
    Open();
    auto* picker = Find<DatePicker>("DateTimePickerSelectStart");
    EXPECT_TRUE(picker->isEnabled());
    EXPECT_EQ(picker->date(), QDate(2001, 3, 1));
    Choose("rgStartyear", 0);
    EXPECT_FALSE(picker->isEnabled());
    EXPECT_FALSE(Find<QWidget>("LabelSelectStart")->isEnabled());
    Choose("rgStartyear", 2);
    picker->setDate(QDate(2004, 11, 20));
    PressOk();
    EXPECT_EQ(context.Settings.SELECTEDSTARTMONTH, 11);
    EXPECT_EQ(context.Settings.SELECTEDSTARTYEAR, 2004);
}

TEST_F(CfgDialogTest, FileExtensionOtherThanHtmOpensAsHtml)
{
    const std::pair<std::string, std::string> cases[]
        = {{".htm", ".htm"}, {".html", ".html"}, {".HTM", ".html"}, {"", ".html"}};
    for (const auto& [stored, saved] : cases) {
        context.Settings.FILEEXTENSION = stored;
        Open();
        PressOk();
        EXPECT_EQ(Value(SettingsLines(), "FILEEXTENSION"), saved) << stored;
    }
}

TEST_F(CfgDialogTest, OpeningWithAMissingLanguageFileStillFillsEveryControl)
{
    context.Settings.LANGUAGESELECTED = "Nowhere";
    context.Settings.TITLE = "Kept";
    WriteFile(context.RecurringFileName(), CrLfLines({"\"1\",\"2\",\"Party\""}));
    Open();
    EXPECT_EQ(dialogs.Texts(), QStringList({"File not found."}));
    EXPECT_EQ(Find<QLineEdit>("EditTitle")->text(), "Kept");
    EXPECT_EQ(Find<QLineEdit>("EditLanguage")->text(), "Nowhere");
    EXPECT_EQ(context.Recurring.Row(1).Description, "Party");
}

TEST_F(CfgDialogTest, ExternalFilesMustExistOrOkStops)
{
    WriteFile(dir / "head.html", "<HTML><BODY>\r\n");
    Open();
    PressOk();
    std::string saved = SettingsFile();
    Open();
    ShowTab("Additional HTML");
    Choose("rgHTML", 1);
    Type("EditHeaderfile", QString::fromStdString(dir / "head.html"));
    Type("EditFooterfile", QString::fromStdString(dir / "foot.html"));
    Type("EditFooterfile", QString::fromStdString(dir / "foot.html"));
    dialog->Preview()->Refresh();
    EXPECT_TRUE(dialog->Preview()->Page().empty());
    EXPECT_TRUE(dialog->Preview()->Browser()->toPlainText().contains("foot.html\" does not exist"));
    EXPECT_TRUE(dialogs.Boxes.empty()) << "the preview raises no box";
    PressOk();
    EXPECT_EQ(dialogs.Texts(), QStringList({"Footer file specified does not exist."}));
    EXPECT_EQ(Find<RadioGroup>("rgHTML")->Index(), 0);
    EXPECT_EQ(context.Settings.HTMLOPTION, 1) << "stored before the test, as Ok leaves it";
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(SettingsFile(), saved);
}

TEST_F(CfgDialogTest, ChoosersFillTheirEdits)
{
    dialogs.FolderAnswers = {QString("/srv/www")};
    dialogs.FileAnswers = {QString("/srv/head.html"), std::nullopt};
    dialogs.FontAnswers = {QString("Georgia")};
    Open();
    Click("ButtonBrowseHTMLOutput");
    Click("BrowseHeaderfile");
    Click("ButtonBrowseFooterfile");
    Click("ButtonFont");
    EXPECT_EQ(dialogs.FolderStarts, QStringList({QDir::homePath()}));
    EXPECT_EQ(dialogs.FileFilters, QStringList(2, "HTML files (*.htm *.html);;All files (*)"));
    EXPECT_EQ(Find<QLineEdit>("EditPath")->text(), "/srv/www");
    EXPECT_EQ(Find<QLineEdit>("EditHeaderfile")->text(), "/srv/head.html");
    EXPECT_EQ(Find<QLineEdit>("EditFooterfile")->text(), "");
    EXPECT_EQ(Find<QLineEdit>("EditFont")->text(), "Georgia");
}

TEST_F(CfgDialogTest, TextsAreCutToTheirFieldsWithoutHalfACharacterReference)
{
    Open();
    // 127 letters and a character Windows-1252 lacks: its reference would not fit.
    Type("EditTitle", QString(127, 'a') + QString::fromUtf8("\xE6\x97\xA5"));
    Type("EditFont", QString(35, 'f'));
    Type("EditDescription", QString::fromUtf8("Caf\xC3\xA9 \xE6\x97\xA5"));
    PressOk();
    EXPECT_EQ(context.Settings.TITLE, std::string(127, 'a'));
    EXPECT_EQ(context.Settings.FONTFACE, std::string(35, 'f'));
    EXPECT_EQ(context.Settings.DESCRIPTION, "Caf\xE9 &#26085;");
    EXPECT_EQ(Find<QLineEdit>("EditFTPport")->maxLength(), 5);
    EXPECT_EQ(Find<QLineEdit>("EditLanguage")->maxLength(), 30);
}

TEST_F(CfgDialogTest, FooterMemoIsUsedByAWriteWithoutOk)
{
    context.Settings.HTMLOPTION = 2;
    context.Settings.HTMLPATH = dir / "pages/";
    Open();
    ShowTab("Additional HTML");
    QTest::keyClicks(Find<QPlainTextEdit>("MemoFooter"), "<P>Footer</P>");
    QTest::keyClick(Find<QPlainTextEdit>("MemoFooter"), Qt::Key_Return);
    QTest::keyClicks(Find<QPlainTextEdit>("MemoFooter"), "second");
    WriteCalendarPages(context);
    std::string page = ReadFile(dir / "pages/February.html");
    EXPECT_NE(page.find("COLOR=\"000000\">\r\n<P>Footer</P>\r\nsecond\r\n</FONT>\r\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "data/pagetrim.footer")) << "saved only by Ok";
    Click("ButtonCancel");
    Open();
    EXPECT_EQ(Find<QPlainTextEdit>("MemoFooter")->toPlainText(), "<P>Footer</P>\nsecond");
}

TEST_F(CfgDialogTest, PreviewShowsUnsavedTitleAndColourAsTheWriterWritesThem)
{
    dialogs.ColorAnswers = {QColor(0xFF, 0x80, 0x00)};
    Open();
    PagePreview* preview = dialog->Preview();
    ASSERT_NE(preview->Page().find("<TITLE>Calendar - February</TITLE>"), std::string::npos);
    Type("EditTitle", "Rowing club");
    ShowTab("Colors");
    Click("ButtonBGmain");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return preview->Page().find("BGCOLOR=\"FF8000\"") != std::string::npos; }, 5000));
    const std::string& page = preview->Page();
    EXPECT_NE(page.find("<TITLE>Rowing club - February</TITLE>"), std::string::npos);
    EXPECT_EQ(preview->Browser()->documentTitle(), "Rowing club - February");
    EXPECT_TRUE(preview->Browser()->toHtml().contains("#ff8000"));
    EXPECT_EQ(context.Settings.TITLE, "Calendar") << "the title waits for Ok";
    EXPECT_EQ(Value(SettingsLines(), "TITLE"), "Calendar");

    // The pane shows the write command's bytes for this month.
    context.Settings.HTMLPATH = dir / "pages/";
    context.Settings.TITLE = "Rowing club";
    PageWriterHooks hooks;
    hooks.Now = [] {
        std::tm now{};
        now.tm_year = 102;
        now.tm_mon = 1;
        now.tm_mday = 5;
        return now;
    };
    WriteCalendarPages(context, hooks);
    std::string written = ReadFile(dir / "pages/February.html");
    std::string shown = page;
    auto withoutUpdate = [](std::string text) {
        std::size_t at = text.find("This page was last updated on ");
        return at == std::string::npos ? text : text.erase(at, text.find("<BR>", at) - at);
    };
    EXPECT_EQ(withoutUpdate(shown), withoutUpdate(written));
}

// The preview shows the modern page with the colours its styles give, and not what they hide.
TEST_F(CfgDialogTest, PreviewShowsTheChosenPageStyle)
{
    CalendarEntry& entry = context.Entries.Slot(1);
    entry.Month = 2;
    entry.Day = 5;
    entry.Year = 2002;
    entry.Notes[0] = "Meeting";
    entry.DateURL = "http://example.org/day";
    Open();
    PagePreview* preview = dialog->Preview();
    ShowTab("Colors");
    dialogs.ColorAnswers = {QColor(0x12, 0x34, 0x56)};
    Click("ButtonBGmonth");
    ShowTab("Output");
    Choose("rgPageStyle", 1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return preview->Page().rfind("<!DOCTYPE html>", 0) == 0; }, 5000));
    QString shown = preview->Browser()->toPlainText();
    EXPECT_TRUE(shown.contains("February 2002")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Meeting"));
    EXPECT_FALSE(shown.contains("Tuesday")) << "the phone list's weekday";
    EXPECT_FALSE(shown.contains("February 2002\n5 February")) << "the screen reader's words";
    EXPECT_TRUE(preview->Browser()->toHtml().contains("#123456")) << "the month name's colour";
    Choose("rgPageStyle", 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return preview->Page().rfind("<!DOCTYPE HTML>", 0) == 0; }, 5000));
}

}  // namespace
}  // namespace mondeliar::app::testing
