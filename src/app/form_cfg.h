#pragma once
// TFormCfg, the configuration dialog: the one editor of a calendar's settings, its language,
// its recurring entries, the extra HTML texts and the set of calendars. Created once at
// start-up, hidden, shown modeless by the main window's Configure button. Beside the tabs a
// pane previews this month's page with the values as they stand.

#include "app/settings_binder.h"

#include <QDialog>

class QTabWidget;

namespace mondeliar {
struct CalendarContext;
}

namespace mondeliar::app {

class CfgCalendarsTab;
class CfgColorsTab;
class CfgExtraHtmlTab;
class CfgLanguageTab;
class CfgMetaTagsTab;
class CfgOutputTab;
class CfgRecurringTab;
class MainWindowAccess;
class PagePreview;
class UserDialogs;

class TFormCfg : public QDialog {
public:
    // Creation: loads the extra HTML texts of the data folder (a file that cannot be read is
    // reported, and the dialog is made all the same) and copies the main window's calendar
    // list into the delete list.
    TFormCfg(CalendarContext& context, UserDialogs& dialogs, MainWindowAccess& mainWindow,
             QWidget* parent = nullptr);
    ~TFormCfg() override;

    // The Configure command: shows the dialog and fills every control from the settings.
    // The main window's calendar list stays disabled while the dialog is shown.
    void OpenDialog();

    // The calendar's settings with every control's value applied, as Ok would store them.
    CalendarSettings SettingsWithControls() const;
    PagePreview* Preview() const { return preview_; }

protected:
    // Escape, or a close asked by the window manager, is Cancel; when anything was changed
    // since the opening, the user is asked first, and No keeps every edit.
    void reject() override;
    // Return presses Ok, but in a grid it only ends (or starts) a cell's edit.
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Coming back to the dialog shows what the main window changed meanwhile (a write
    // command reloads the recurring entries).
    void changeEvent(QEvent* event) override;

private:
    QWidget* BuildTabs();
    void WatchForChanges();
    void NoteChange();
    void FillControls();
    void ButtonOkClick();
    void ButtonCancelClick();
    bool CheckOutputFolder();
    void StoreControls(CalendarSettings& settings) const;
    bool CheckExternalFiles();
    void ReturnToMainWindow();

    CalendarContext& context_;
    UserDialogs& dialogs_;
    MainWindowAccess& mainWindow_;
    // The main window's calendar list text when the dialog was opened.
    QString DialogCalendarName;
    SettingsBinder binder_;
    QTabWidget* tabs_ = nullptr;
    CfgCalendarsTab* calendarsTab_ = nullptr;
    CfgOutputTab* outputTab_ = nullptr;
    CfgLanguageTab* languageTab_ = nullptr;
    CfgColorsTab* colorsTab_ = nullptr;
    CfgMetaTagsTab* metaTagsTab_ = nullptr;
    CfgExtraHtmlTab* extraHtmlTab_ = nullptr;
    CfgRecurringTab* recurringTab_ = nullptr;
    PagePreview* preview_ = nullptr;
    bool changed_ = false;  // a control was changed since the opening
};

}  // namespace mondeliar::app
