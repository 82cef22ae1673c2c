#pragma once
// The desktop program from launch to an idle main window: the calendars folder, the
// application's title, then the five windows in their order (the main window loads the
// default calendar while it is created). The windows live as long as this object.

#include "config/calendar_context.h"

#include <memory>
#include <string>
#include <utility>

namespace mondeliar::app {

class TFormAbout;
class TFormAddNote;
class TFormCfg;
class TFormMain;
class TFormPurge;
class UserDialogs;

struct DesktopFolders {
    DesktopFolders(std::string program, std::string data, std::string output = {},
                   std::string userLanguages = {})
        : Program(std::move(program))
        , Data(std::move(data))
        , Output(std::move(output))
        , UserLanguages(std::move(userLanguages))
    {
    }
    std::string Program;        // the language files, with a trailing "/"
    std::string Data;           // the calendars, the extra HTML files and doc/, with a trailing "/"
    std::string Output;         // the output folder of a new calendar; empty: the Program folder
    std::string UserLanguages;  // where added languages go; empty: the Program folder
};

class Desktop {
public:
    // Raises FatalError when the calendars folder cannot be created; nothing else escapes.
    Desktop(UserDialogs& dialogs, const DesktopFolders& folders, Date today);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    CalendarContext& Context() { return context_; }
    TFormMain& FormMain() { return *formMain_; }
    TFormCfg* FormCfg() { return formCfg_; }
    TFormAddNote& FormAddNote() { return *formAddNote_; }
    TFormPurge& FormPurge() { return *formPurge_; }
    TFormAbout& FormAbout() { return *formAbout_; }

private:
    void CreateWindows();

    UserDialogs& dialogs_;
    CalendarContext context_;
    std::unique_ptr<TFormMain> formMain_;  // owns the dialogs, its child windows
    TFormCfg* formCfg_ = nullptr;
    TFormAddNote* formAddNote_ = nullptr;
    TFormPurge* formPurge_ = nullptr;
    TFormAbout* formAbout_ = nullptr;
};

// Start-up as the program runs it. When the calendars folder cannot be created, the fatal
// message is shown as a warning box and there is no desktop: the program ends.
std::unique_ptr<Desktop> StartDesktop(UserDialogs& dialogs, const DesktopFolders& folders,
                                      Date today);

}  // namespace mondeliar::app
