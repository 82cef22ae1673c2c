// mondeliar: the desktop program. It works in its data folder, the folder it is started in or
// the one --data names, and reads the language files from its own folder (or, installed, from
// the installed tree's).

#include "app/desktop.h"
#include "app/form_main.h"
#include "app/program_options.h"
#include "app/qt_user_dialogs.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/program_folders.h"

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

// Qt would abort without a display; say so plainly instead.
bool HasDisplay()
{
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// A working folder that can no longer be named (it was removed) is taken as "./", where
// the calendars folder then cannot be created: the fatal message says so.
std::string WorkingFolder()
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string("./") : folder.string() + "/";
}

// The program's folders from its own path; the data folder is the working folder, which
// --data has made the folder it names.
mondeliar::app::DesktopFolders FindFolders()
{
    std::string executable = mondeliar::ExecutableFolder();
    std::string data = WorkingFolder();
    return {mondeliar::LanguageFolder(executable), data,
            mondeliar::NewCalendarOutputFolder(executable, data),
            mondeliar::UserLanguageFolder(executable, data)};
}

}  // namespace

int main(int argc, char* argv[])
{
    using namespace mondeliar::app;
    ProgramOptions options;
    try {
        options = ParseProgramOptions(argc, argv);
    } catch (const mondeliar::Error& error) {
        std::cerr << "mondeliar: " << error.what() << "\n";
        return 1;
    }
    if (options.Help || options.Version) {
        std::cout << (options.Help ? ProgramUsage : ProgramVersionText() + "\n");
        return 0;
    }
    if (!HasDisplay()) {
        std::cerr << "mondeliar: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "mondeliar-cli writes and publishes without one.\n";
        return 1;
    }
    std::vector<char*> qtArguments;
    for (std::string& argument : options.ForQt)
        qtArguments.push_back(argument.data());
    int qtCount = static_cast<int>(qtArguments.size());
    QApplication application(qtCount, qtArguments.data());
    // The desktop entry's name, so that the desktop shows the entry's icon for the windows.
    QGuiApplication::setDesktopFileName("org.mondeliar.Mondeliar");
    QtUserDialogs dialogs;
    try {
        RefuseLeftOverArguments(qtCount, qtArguments.data());
        if (options.Data)
            mondeliar::EnterDataFolder(mondeliar::ExpandHomeFolder(*options.Data));
    } catch (const mondeliar::Error& error) {
        std::cerr << "mondeliar: " << error.what() << "\n";
        dialogs.ShowBox(BoxKind::ErrorReport,
                        QString::fromLocal8Bit(mondeliar::StandardErrorReportText(error.what())));
        return 1;
    }
    auto desktop = StartDesktop(dialogs, FindFolders(), mondeliar::SystemDate());
    if (!desktop)
        return 1;
    dialogs.SetParent(&desktop->FormMain());
    desktop->FormMain().OnTerminate = [] { QCoreApplication::exit(0); };
    return application.exec();
}
