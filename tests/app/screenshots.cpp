// app_screenshots: pictures of the real windows for the help pages. Starts the program on a
// small sample calendar in a temporary folder and saves each window as a PNG file into the
// folder given (make screenshots: doc/images). Publishing is shown against pyftpdlib.

#include "app/desktop.h"
#include "app/form_about.h"
#include "app/form_add_note.h"
#include "app/form_main.h"
#include "app/form_purge.h"
#include "app/month_grid.h"
#include "app/recording_dialogs.h"
#include "store/calendar_entry.h"
#include "support/ftp_server_process.h"
#include "support/test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <iostream>

namespace mondeliar::app {
namespace {

using mondeliar::testing::ReadFile;
using mondeliar::testing::TempDir;
using mondeliar::testing::WriteFile;

// The output folder of the sample, named as the pictures may show it.
const char* const SampleSite = "/tmp/club-site/";

void WriteSampleCalendar(const TempDir& data, const TempDir& program, int ftpPort)
{
    std::filesystem::create_directories(data / "calendars");
    std::filesystem::create_directories(SampleSite);
    struct Sample {
        int day;
        std::vector<std::pair<std::string, std::string>> notes;
    };
    const Sample samples[] = {
        {5, {{"Club meeting, 8 pm", "http://example.org/club"}, {"Bring the slides", ""}}},
        {14, {{"Valentine's dinner", ""}}},
        {19, {{"Choir rehearsal", "http://example.org/choir"}}},
        {23,
         {{"Open day at the library", "http://example.org/library"}, {"Caf\xE9 opens at 9", ""}}},
    };
    std::string notes;
    for (const Sample& sample : samples) {
        CalendarEntry entry;
        entry.Month = 2;
        entry.Day = sample.day;
        entry.Year = 2002;
        for (std::size_t n = 0; n < sample.notes.size(); ++n) {
            entry.Notes[n] = sample.notes[n].first;
            entry.NoteURLs[n] = sample.notes[n].second;
        }
        notes += FormatEntryLine(entry) + "\r\n";
    }
    WriteFile(data / "calendars/default calendar", notes);
    WriteFile(data / "calendars/default calendar.rcr", "");
    WriteFile(data / "calendars/Choir", "");
    WriteFile(data / "calendars/Choir.rcr", "");
    CalendarSettings defaults;
    SaveConfig(defaults, data / "calendars/default calendar.cfg", SaveMode::Defaults,
               program.Path());
    WriteFile(data / "calendars/default calendar.cfg",
              ReadFile(data / "calendars/default calendar.cfg") + "HTMLPATH=" + SampleSite
                  + "\r\nFTPHOST=127.0.0.1\r\nFTPPORT=" + std::to_string(ftpPort)
                  + "\r\nFTPUSER=tester\r\nFTPPASSWORD=secret\r\nFTPREMOTEDIR=/\r\n");
}

bool Save(QWidget& window, const std::string& folder, const char* name)
{
    QApplication::processEvents();
    bool saved = window.grab().save(QString::fromStdString(folder + name), "PNG");
    std::cout << (saved ? "saved " : "could not save ") << folder << name << '\n';
    return saved;
}

void DoubleClickDate(TFormMain& main, const Date& date)
{
    auto* grid = main.findChild<MonthGrid*>("Calendar1");
    grid->ShowDate(date);
    auto* view = grid->findChild<QAbstractItemView*>();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       view->visualRect(view->currentIndex()).center());
}

int TakeScreenshots(const std::string& folder)
{
    TempDir data;
    TempDir program;
    for (const char* language : {"English.lang", "French.lang"})
        WriteFile(program / language,
                  ReadFile(std::string(MONDELIAR_SOURCE_DIR) + "/resources/" + language));
    TempDir ftpRoot;
    mondeliar::testing::FtpServerProcess server(ftpRoot.Path());
    WriteSampleCalendar(data, program, server.Port());

    testing::RecordingDialogs dialogs;
    auto desktop = StartDesktop(dialogs, {program.Path(), data.Path()}, {2002, 2, 5});
    if (!desktop)
        return 1;
    TFormMain& main = desktop->FormMain();
    main.OnTerminate = [] {};
    bool saved = Save(main, folder, "main-window.png");

    DoubleClickDate(main, {2002, 2, 23});
    saved &= Save(desktop->FormAddNote(), folder, "note-editor.png");
    QTest::mouseClick(desktop->FormAddNote().findChild<QPushButton*>("ButtonCancel"),
                      Qt::LeftButton);

    QTest::mouseClick(main.findChild<QPushButton*>("ButtonPurge"), Qt::LeftButton);
    saved &= Save(desktop->FormPurge(), folder, "purge.png");
    QTest::mouseClick(desktop->FormPurge().findChild<QPushButton*>("ButtonDone"), Qt::LeftButton);

    QTest::mouseClick(main.findChild<QPushButton*>("ButtonAbout"), Qt::LeftButton);
    saved &= Save(desktop->FormAbout(), folder, "about.png");
    QTest::mouseClick(desktop->FormAbout().findChild<QPushButton*>("ButtonOk"), Qt::LeftButton);

    // The line Write leaves below the grid.
    QTest::mouseClick(main.findChild<QPushButton*>("ButtonWrite"), Qt::LeftButton);
    saved &= Save(main, folder, "written.png");

    // The main window while the third file is on its way.
    bool publishingSaved = false;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* progress = main.findChild<QLabel*>("LabelProgress");
        if (!publishingSaved && progress->isVisible() && progress->text().contains("file 3 of"))
            publishingSaved = Save(main, folder, "publishing.png");
    });
    watcher.start();
    QTest::mouseClick(main.findChild<QAbstractButton*>("ButtonPublish"), Qt::LeftButton);
    watcher.stop();
    saved &= publishingSaved;
    std::filesystem::remove_all(SampleSite);
    return saved ? 0 : 1;
}

}  // namespace
}  // namespace mondeliar::app

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: app_screenshots FOLDER\n";
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '/')
        folder += '/';
    return mondeliar::app::TakeScreenshots(folder);
}
