#pragma once
// TFormAddNote, the note editor: the record of one date, up to ten notes each with a link,
// a link for the date and an image name. Opened by a double-click on the month grid; Ok
// (or Ctrl+Return) stores the record and rewrites the notes file, Cancel stores nothing. It
// has no close box; Escape is Cancel, after asking when something was typed.

#include "config/calendar_context.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mondeliar::app {

class NoteGrid;
class UserDialogs;

class TFormAddNote : public QDialog {
public:
    TFormAddNote(CalendarContext& context, UserDialogs& dialogs, QWidget& mainWindow);

    // The opening sequence from FindEntry on: `dateLabel` is the main window's date text.
    void OpenForDate(const Date& date, const QString& dateLabel);

    // Told after Ok has stored the record, or tried to (the table holds it either way).
    std::function<void()> OnStored;

protected:
    // Escape, or a close asked by the window manager, is Cancel; when anything was typed
    // since the opening, the user is asked first, and No keeps the editor open.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ButtonOkClick();
    void ButtonCancelClick();
    void FillFromCurrentEntry();
    void TakeIntoCurrentEntry();
    // Every text of the editor as shown: the notes, their links, the date's link and image.
    QStringList ShownTexts() const;

    CalendarContext& context_;
    UserDialogs& dialogs_;
    QWidget& mainWindow_;
    Date date_;
    QStringList openedTexts_;  // ShownTexts() at the opening

    NoteGrid* sgNotes;
    QLineEdit* EditDateURL;
    QLabel* LabelDateURL;
    QLineEdit* EditDateImage;
    QLabel* LabelDateImage;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};

}  // namespace mondeliar::app
