#include "app/form_add_note.h"

#include "app/dialog_handoff.h"
#include "app/field_text_edit.h"
#include "app/handler_guard.h"
#include "app/note_grid.h"
#include "app/user_dialogs.h"
#include "store/calendar_entry.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

const QSize InitialSize(550, 340);

QLineEdit* FieldEdit(const char* name, std::size_t capacity, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setValidator(new StoredLengthValidator(capacity, edit));
    return edit;
}

QPushButton* DialogButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter ends a cell's edit; it must not press Ok as well.
    button->setAutoDefault(false);
    button->setMinimumWidth(qMax(75, button->sizeHint().width()));
    return button;
}

}  // namespace

TFormAddNote::TFormAddNote(CalendarContext& context, UserDialogs& dialogs, QWidget& mainWindow)
    : QDialog(&mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , context_(context)
    , dialogs_(dialogs)
    , mainWindow_(mainWindow)
{
    setObjectName("formAddNote");
    setWindowTitle("Note editor");
    CreateControls();
    setMinimumSize(minimumSizeHint().expandedTo(InitialSize));
    resize(InitialSize.expandedTo(minimumSize()));
    connect(ButtonOk, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](bool) { ButtonOkClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](bool) { ButtonCancelClick(); }));
    for (QKeySequence keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                Guarded(dialogs_, [this] { ButtonOkClick(); }));
}

void TFormAddNote::CreateControls()
{
    sgNotes = new NoteGrid(this);
    sgNotes->setObjectName("sgNotes");
    sgNotes->setToolTip("Re-arrange the notes by dragging the grey box on left");
    EditDateURL = FieldEdit("EditDateURL", NoteCapacity, this);
    LabelDateURL = new QLabel("(optional) Enter a URL for this date.", this);
    EditDateImage = FieldEdit("EditDateImage", DateImageCapacity, this);
    EditDateImage->setMinimumWidth(185);
    LabelDateImage = new QLabel("Image to be displayed in this date cell", this);
    ButtonOk = DialogButton("ButtonOk", "Ok", this);
    ButtonCancel = DialogButton("ButtonCancel", "Cancel", this);

    // Ok and Cancel beside the image name, spaced as the style spaces dialog buttons.
    int gap
        = style()->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, Qt::Horizontal);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(gap >= 0 ? gap : style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);

    auto* below = new QGridLayout;
    below->setContentsMargins(8, 8, 8, 8);
    below->addWidget(EditDateURL, 0, 0, 1, 3);
    below->addWidget(LabelDateURL, 1, 0, 1, 3);
    below->addWidget(EditDateImage, 2, 0);
    below->addWidget(LabelDateImage, 3, 0);
    below->setColumnStretch(1, 1);
    below->addLayout(buttons, 2, 2, 2, 1, Qt::AlignBottom);

    // The grid's rows take the height the window has beyond its controls.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sgNotes, 1);
    layout->addLayout(below);
    SetTabOrder();
}

// Tab walks the grid's cells, then the date's link, its image, Ok and Cancel.
void TFormAddNote::SetTabOrder()
{
    QWidget* order[] = {sgNotes, EditDateURL, EditDateImage, ButtonOk, ButtonCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormAddNote::OpenForDate(const Date& date, const QString& dateLabel)
{
    date_ = date;
    context_.Entries.FindEntry(date.Month, date.Day, date.Year);
    OpenOverMainWindow(mainWindow_, *this);
    setWindowTitle("Adding note for " + dateLabel);
    sgNotes->setFocus();
    sgNotes->setCurrentCell(0, 0);
    EditDateURL->clear();
    FillFromCurrentEntry();
    openedTexts_ = ShownTexts();
}

void TFormAddNote::FillFromCurrentEntry()
{
    const CalendarEntry& entry = context_.Entries.CurrentEntry;
    for (int r = 1; r <= NotesPerDate; ++r)
        sgNotes->SetRow(r, DisplayedFieldText(entry.Notes[static_cast<std::size_t>(r - 1)]),
                        DisplayedFieldText(entry.NoteURLs[static_cast<std::size_t>(r - 1)]));
    EditDateURL->setText(DisplayedFieldText(entry.DateURL));
    EditDateImage->setText(DisplayedFieldText(entry.DateImage));
}

QStringList TFormAddNote::ShownTexts() const
{
    QStringList texts;
    for (int r = 1; r <= NotesPerDate; ++r)
        texts << sgNotes->Note(r) << sgNotes->NoteUrl(r);
    return texts << EditDateURL->text() << EditDateImage->text();
}

void TFormAddNote::TakeIntoCurrentEntry()
{
    CalendarEntry& entry = context_.Entries.CurrentEntry;
    entry.ClearTexts();
    entry.Month = date_.Month;
    entry.Day = date_.Day;
    entry.Year = date_.Year;
    sgNotes->CommitOpenEditor();
    for (int r = 1; r <= NotesPerDate; ++r) {
        entry.Notes[static_cast<std::size_t>(r - 1)]
            = StoredFieldText(sgNotes->Note(r), NoteCapacity);
        entry.NoteURLs[static_cast<std::size_t>(r - 1)]
            = StoredFieldText(sgNotes->NoteUrl(r), NoteCapacity);
    }
    entry.DateURL = StoredFieldText(EditDateURL->text(), NoteCapacity);
    entry.DateImage = StoredFieldText(EditDateImage->text(), DateImageCapacity);
}

// A failed save leaves the dialog open (the error report shows why); the table already holds
// the record, so the month grid shows it either way.
void TFormAddNote::ButtonOkClick()
{
    TakeIntoCurrentEntry();
    try {
        context_.Entries.StoreEntry(date_.Month, date_.Day, date_.Year);
    } catch (...) {
        if (OnStored)
            OnStored();
        throw;
    }
    if (OnStored)
        OnStored();
    EditDateURL->clear();
    ReturnToMainWindow(mainWindow_, *this);
}

void TFormAddNote::ButtonCancelClick()
{
    ReturnToMainWindow(mainWindow_, *this);
}

void TFormAddNote::reject()
{
    RunHandler(dialogs_, [this] {
        sgNotes->CommitOpenEditor();
        if (ShownTexts() != openedTexts_ && !dialogs_.AskYesNo("Discard the changes to this date?"))
            return;
        ButtonCancelClick();
    });
}

void TFormAddNote::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

}  // namespace mondeliar::app
