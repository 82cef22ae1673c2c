// mondeliar: the desktop program. It works in the folder it is started in (the data folder)
// and reads the language files from its own folder.

#include "app/desktop.h"
#include "app/form_main.h"
#include "app/qt_user_dialogs.h"
#include "base/files.h"

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

}  // namespace

int main(int argc, char* argv[])
{
    if (!HasDisplay()) {
        std::cerr << "mondeliar: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "mondeliar-cli writes and publishes without one.\n";
        return 1;
    }
    QApplication application(argc, argv);
    mondeliar::app::QtUserDialogs dialogs;
    auto desktop = mondeliar::app::StartDesktop(
        dialogs, {mondeliar::ExecutableFolder(), WorkingFolder()}, mondeliar::SystemDate());
    if (!desktop)
        return 1;
    dialogs.SetParent(&desktop->FormMain());
    desktop->FormMain().OnTerminate = [] { QCoreApplication::exit(0); };
    return application.exec();
}
