#pragma once
// The Additional HTML tab: how the user's own HTML enters the pages, the header and footer
// files, and the two texts put before and after the calendar. Typing in a text changes it
// at once, so pages written while the dialog is open carry it.

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

namespace mondeliar {
struct CalendarContext;
}

namespace mondeliar::app {

class RadioGroup;
class SettingsBinder;
class UserDialogs;

class CfgExtraHtmlTab : public QWidget {
public:
    static constexpr int ExternalFiles = 1;  // the "External files instead" item of rgHTML

    CfgExtraHtmlTab(CalendarContext& context, UserDialogs& dialogs, SettingsBinder& binder,
                    QWidget* parent = nullptr);

    // Shows the header and footer texts.
    void Fill();
    RadioGroup* HtmlOption() const { return rgHTML; }

private:
    void ChooseFile(QLineEdit* edit);

    CalendarContext& context_;
    UserDialogs& dialogs_;
    RadioGroup* rgHTML;
    QPlainTextEdit* MemoHeader;
    QPlainTextEdit* MemoFooter;
};

}  // namespace mondeliar::app
