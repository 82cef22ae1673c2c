#pragma once
// TFormCfg, the configuration dialog: the one editor of a calendar's settings, its language,
// its recurring entries, the extra HTML texts and the set of calendars. Created once at
// start-up, hidden, shown modeless by the main window's Configure button.

#include <QDialog>

namespace mondeliar {
struct CalendarContext;
}

namespace mondeliar::app {

class MainWindowAccess;
class UserDialogs;

class TFormCfg : public QDialog {
public:
    // Creation: loads the extra HTML texts of the data folder and copies the main window's
    // calendar list into the delete list.
    TFormCfg(CalendarContext& context, UserDialogs& dialogs, MainWindowAccess& mainWindow,
             QWidget* parent = nullptr);

    // The Configure command: shows the dialog and fills every control from the settings.
    void OpenDialog();

private:
    CalendarContext& context_;
    UserDialogs& dialogs_;
    MainWindowAccess& mainWindow_;
};

}  // namespace mondeliar::app
