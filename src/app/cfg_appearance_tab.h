#pragma once
// The Appearance tab: alignment, headings, links between months, table options, font,
// style sheet and background image.

#include <QWidget>

class QLineEdit;

namespace mondeliar::app {

class SettingsBinder;
class UserDialogs;

class CfgAppearanceTab : public QWidget {
public:
    CfgAppearanceTab(SettingsBinder& binder, UserDialogs& dialogs, QWidget* parent = nullptr);

private:
    QWidget* BuildLabelsColumn(SettingsBinder& binder);
    QWidget* BuildTableColumn(SettingsBinder& binder);
    void ButtonFontClick();

    UserDialogs& dialogs_;
    QLineEdit* EditFont = nullptr;
};

}  // namespace mondeliar::app
