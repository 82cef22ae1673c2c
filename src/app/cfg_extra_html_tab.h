#pragma once
// The Additional HTML tab: how the user's own HTML enters the pages, the header and footer
// files, and the two texts put before and after the calendar. Typing in a text changes it
// at once, so pages written while the dialog is open carry it.

#include "config/extra_html.h"

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

    // Reads each text from its file in the data folder. A file that cannot be read is
    // reported; its memo stays empty, marked as not loaded, and Save leaves the file as it
    // is until the user types into that memo.
    void Load();
    // Writes each text to its file, but for a file that was not loaded and not typed over.
    void Save() const;
    // Shows the header and footer texts.
    void Fill();
    RadioGroup* HtmlOption() const { return rgHTML; }

private:
    // A memo, its text and its file.
    struct TrimText {
        QPlainTextEdit* Memo;
        TextLines ExtraHtmlTexts::*Text;
        const char* FileName;
        bool Unread = false;  // the file could not be read, and nothing was typed since
    };

    void ChooseFile(QLineEdit* edit);
    void MarkUnread(TrimText& trim, bool unread);

    CalendarContext& context_;
    UserDialogs& dialogs_;
    RadioGroup* rgHTML;
    QPlainTextEdit* MemoHeader;
    QPlainTextEdit* MemoFooter;
    TrimText trims_[2];
};

}  // namespace mondeliar::app
