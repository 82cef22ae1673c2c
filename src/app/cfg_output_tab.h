#pragma once
// The Output tab: where and how the pages are written, and the FTP account and publishing
// options.

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

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
    // Those settings back (the protocol too), and the remote folder with its trailing "/".
    void Store(CalendarSettings& settings) const;

    QLineEdit* PathEdit() const { return EditPath; }

private:
    QWidget* BuildPagesColumn(SettingsBinder& binder);
    QWidget* BuildFtpColumn(SettingsBinder& binder);
    void AddProtocolRow(QVBoxLayout* ftp, QWidget* group);
    void AddSftpRows(QVBoxLayout* ftp, QWidget* group, SettingsBinder& binder);
    void ShowProtocolControls();
    void ButtonBrowseHTMLOutputClick();
    void rgStartyearClick();
    void rbSFTPClick(bool sftp);
    void ButtonFetchHostKeyClick(QPushButton* fetch);

    UserDialogs& dialogs_;
    QLineEdit* EditPath;
    RadioGroup* rgStartyear;
    RadioGroup* rgFilenameExtension;
    QLabel* LabelSelectStart;
    DatePicker* DateTimePickerSelectStart;
    QLineEdit* EditFTPhost;
    QLineEdit* EditFTPport;
    QRadioButton* rbFTP;
    QRadioButton* rbSFTP;
    QLineEdit* EditSFTPHostKey;
    std::vector<QWidget*> ftpOnly_;   // of no use over SFTP
    std::vector<QWidget*> sftpOnly_;  // of no use over FTP
};

}  // namespace mondeliar::app
