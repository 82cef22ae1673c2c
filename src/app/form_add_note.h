#pragma once
// TFormAddNote, the note editor: the record of one date, up to ten notes each with a link,
// a link for the date and an image name. Opened by a double-click on the month grid; Ok
// stores the record and rewrites the notes file, Cancel stores nothing. It has no close box.

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
    // Neither Escape nor the window manager closes the editor: only Ok and Cancel do, so
    // typed notes are never dropped by accident.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void ButtonOkClick();
    void ButtonCancelClick();
    void FillFromCurrentEntry();
    void TakeIntoCurrentEntry();

    CalendarContext& context_;
    UserDialogs& dialogs_;
    QWidget& mainWindow_;
    Date date_;

    NoteGrid* sgNotes;
    QLineEdit* EditDateURL;
    QLabel* LabelDateURL;
    QLineEdit* EditDateImage;
    QLabel* LabelDateImage;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};

}  // namespace mondeliar::app
