#pragma once
// The Output tab: where and how the pages are written, and the FTP account and publishing
// options.

#include <QWidget>

class QLabel;
class QLineEdit;

namespace mondeliar {
struct CalendarSettings;
}

namespace mondeliar::app {

class DatePicker;
class RadioGroup;
class SettingsBinder;
class UserDialogs;

class CfgOutputTab : public QWidget {
public:
    CfgOutputTab(SettingsBinder& binder, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The settings the binder cannot show by itself: the file extension and the selected
    // start month.
    void Fill(const CalendarSettings& settings);
    // Those settings back, and the remote folder with its trailing "/".
    void Store(CalendarSettings& settings) const;

    QLineEdit* PathEdit() const { return EditPath; }

private:
    QWidget* BuildPagesColumn(SettingsBinder& binder);
    QWidget* BuildFtpColumn(SettingsBinder& binder);
    void ButtonBrowseHTMLOutputClick();
    void rgStartyearClick();

    UserDialogs& dialogs_;
    QLineEdit* EditPath;
    RadioGroup* rgStartyear;
    RadioGroup* rgFilenameExtension;
    QLabel* LabelSelectStart;
    DatePicker* DateTimePickerSelectStart;
};

}  // namespace mondeliar::app
