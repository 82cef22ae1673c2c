// Takes a picture of every tab of the configuration dialog for the help pages, from the real
// dialog over a sample calendar. Run under a real display server (xvfb-run), for example
//   xvfb-run -a build/test/tests/app/cfg_screenshots doc/images
//   QT_SCALE_FACTOR=2 xvfb-run -a build/test/tests/app/cfg_screenshots /tmp/cfg-2x
#include "app/fake_main_window.h"
#include "app/form_cfg.h"
#include "app/page_preview.h"
#include "app/recording_dialogs.h"
#include "config/calendar_context.h"
#include "support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>

#include <cstdio>
#include <filesystem>

using namespace mondeliar;

namespace {

void AddNote(CalendarContext& context, const Date& date, std::vector<std::string> notes)
{
    EntryStore& entries = context.Entries;
    entries.FindEntry(date.Month, date.Day, date.Year);
    CalendarEntry& entry = entries.CurrentEntry;
    entry.Month = date.Month;
    entry.Day = date.Day;
    entry.Year = date.Year;
    for (std::size_t i = 0; i < notes.size(); ++i)
        entry.Notes[i] = notes[i];
    entries.StoreEntry(date.Month, date.Day, date.Year);
}

// A club's calendar: a few notes this month, birthdays and holidays, its own colours.
void FillSampleCalendar(CalendarContext& context)
{
    CalendarSettings& s = context.Settings;
    s.HTMLPATH = "/home/club/public_html/calendar/";
    s.TITLE = "Rowing club calendar";
    s.DESCRIPTION = "Outings, meetings and birthdays";
    s.AUTHOR = "The club secretary";
    s.KEYWORDS = ",rowing,club,outings";
    s.FTPHOST = "ftp.example.org";
    s.FTPUSER = "club";
    s.FTPPASSWORD = "secret";
    s.FTPREMOTEDIR = "/www/calendar/";
    s.COLORMONTHNAMEBG = "1F4E79";
    s.COLORMONTHNAMEFG = "FFFFFF";
    s.COLORDAYNAMEBG = "DDEBF7";
    s.COLORBLANKCELLBG = "F2F2F2";
    s.COLORNOTESBG = "FFF2CC";
    s.DISPLAYWEBPAGETITLE = true;
    s.HTMLOPTION = 2;
    context.ExtraHtml.Header = {"<P>Welcome to our calendar.</P>"};
    context.ExtraHtml.Footer = {"<P>Questions? Ask at the boat house.</P>"};
    Date today = context.Today;
    AddNote(context, {today.Year, today.Month, 3}, {"Morning outing"});
    AddNote(context, {today.Year, today.Month, 12}, {"Club meeting, 8 pm"});
    AddNote(context, {today.Year, today.Month, 21}, {"Regatta", "Bring lunch"});
    std::string month = std::to_string(today.Month);
    testing::WriteFile(
        context.RecurringFileName(),
        testing::CrLfLines({"\"" + month + "\",\"9\",\"Anna's birthday\"",
                            "\"12\",\"25\",\"Christmas Day\"", "\"1\",\"1\",\"New Year's Day\""}));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QString out = argc > 1 ? argv[1] : "doc/images";
    QDir().mkpath(out);

    testing::TempDir dir;
    std::filesystem::create_directory(dir / "program");
    std::filesystem::create_directory(dir / "data");
    for (const auto& file :
         std::filesystem::directory_iterator(std::string(MONDELIAR_SOURCE_DIR) + "/resources"))
        if (file.path().extension() == ".lang")
            std::filesystem::copy_file(file.path(),
                                       dir / "program/" + file.path().filename().string());

    app::testing::RecordingDialogs dialogs;
    app::testing::FakeMainWindow mainWindow;
    mainWindow.ListItems = {"default calendar", "rowing club"};
    CalendarContext context(dir / "program/", dir / "data/", SystemDate(), dialogs);
    StartUp(context);
    FillSampleCalendar(context);

    app::TFormCfg dialog(context, dialogs, mainWindow);
    dialog.OpenDialog();
    auto* tabs = dialog.findChild<QTabWidget*>("PageControl");
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        dialog.Preview()->Refresh();
        QApplication::processEvents();
        QString name = tabs->widget(i)->objectName().mid(QString("TabSheet").size()).toLower();
        QString file = out + "/cfg-" + name + ".png";
        if (!dialog.grab().save(file)) {
            std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    // The Output tab again with the modern page style in the preview.
    tabs->setCurrentWidget(dialog.findChild<QWidget*>("TabSheetOutput"));
    dialog.findChild<QWidget*>("rgPageStyle")->findChildren<QRadioButton*>().at(1)->click();
    dialog.Preview()->Refresh();
    QApplication::processEvents();
    QString modern = out + "/cfg-output-modern.png";
    if (!dialog.grab().save(modern)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(modern));
        return 1;
    }
    std::printf("%s\n", qPrintable(modern));
    for (const QString& text : dialogs.Texts())
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
    return dialogs.Boxes.empty() ? 0 : 1;
}
