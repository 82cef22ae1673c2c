#include "app/form_purge.h"

#include "app/dialog_handoff.h"
#include "app/handler_guard.h"
#include "app/user_dialogs.h"
#include "config/calendar_context.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <tuple>

namespace mondeliar::app {

namespace {

bool DatedBefore(const CalendarEntry& entry, const CalendarSettings& s)
{
    return std::make_tuple(entry.Year, entry.Month, entry.Day)
           < std::make_tuple(int{s.PURGEYEAR}, int{s.PURGEMONTH}, int{s.PURGEDAY});
}

QString Dates(int count)
{
    return count == 1 ? QString("1 date") : QString("%1 dates").arg(count);
}

}  // namespace

int CountEntries(const EntryStore& entries, const EntryChoice& chosen)
{
    int count = 0;
    for (int k = 1; k <= MaxEntries; ++k)
        if (!entries.Slot(k).IsFree() && chosen(entries.Slot(k)))
            ++count;
    return count;
}

// Free slots are cleared again, which changes nothing.
int FreeEntries(EntryStore& entries, const EntryChoice& chosen)
{
    int freed = 0;
    for (int k = 1; k <= MaxEntries; ++k) {
        if (!chosen(entries.Slot(k)))
            continue;
        freed += entries.Slot(k).IsFree() ? 0 : 1;
        entries.ClearCurrentEntry();
        entries.Slot(k) = entries.CurrentEntry;
    }
    return freed;
}

QString UsageText(int used)
{
    return QString("%1 of %2").arg(used).arg(MaxEntries);
}

TFormPurge::TFormPurge(CalendarContext& context, UserDialogs& dialogs, QWidget& mainWindow)
    : QDialog(&mainWindow), context_(context), dialogs_(dialogs), mainWindow_(mainWindow)
{
    setObjectName("formPurge");
    setWindowTitle("Purge old items");
    CreateControls();
    resize(QSize(281, 175).expandedTo(minimumSizeHint()));
    connect(Button1, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](bool) { Button1Click(); }));
    connect(ButtonDone, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](bool) { ButtonDoneClick(); }));
}

void TFormPurge::CreateControls()
{
    GaugeUsage = new QProgressBar(this);
    GaugeUsage->setObjectName("GaugeUsage");
    GaugeUsage->setRange(0, MaxEntries);
    LabelPercentage = new QLabel("Percentage of date entries used", this);
    LabelPurge = new QLabel("Purge entries before:", this);
    LabelPurgeDate = new QLabel(this);
    LabelPurgeDate->setObjectName("LabelPurgeDate");
    Button1 = new QPushButton("Purge old entries", this);
    Button1->setObjectName("Button1");
    ButtonDone = new QPushButton("Done", this);
    ButtonDone->setObjectName("ButtonDone");
    // Enter closes the dialog; purging takes a deliberate click.
    Button1->setAutoDefault(false);
    ButtonDone->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(GaugeUsage, 0, 0, 1, 2);
    layout->addWidget(LabelPercentage, 1, 0, 1, 2);
    layout->setRowMinimumHeight(2, 8);
    layout->addWidget(LabelPurge, 3, 0);
    layout->addWidget(LabelPurgeDate, 3, 1);
    layout->setRowMinimumHeight(4, 12);
    layout->addWidget(Button1, 5, 0);
    layout->addWidget(ButtonDone, 5, 1);
    layout->setRowStretch(6, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
}

void TFormPurge::OpenDialog()
{
    int used = context_.Entries.CountUsedEntries();
    GaugeUsage->setValue(used);
    GaugeUsage->setFormat(QString("%1 dates used (%2%)")
                              .arg(UsageText(used))
                              .arg(used * 100.0 / MaxEntries, 0, 'f', 1));
    const CalendarSettings& s = context_.Settings;
    LabelPurgeDate->setText(QString("%1/%2/%3").arg(s.PURGEDAY).arg(s.PURGEMONTH).arg(s.PURGEYEAR));
    OpenOverMainWindow(mainWindow_, *this);
}

int TFormPurge::PurgeOldEntries()
{
    const CalendarSettings& settings = context_.Settings;
    return FreeEntries(context_.Entries, [&settings](const CalendarEntry& entry) {
        return DatedBefore(entry, settings);
    });
}

// Asks before it removes anything, and says what it did.
void TFormPurge::Button1Click()
{
    const CalendarSettings& settings = context_.Settings;
    int dated = CountEntries(context_.Entries, [&settings](const CalendarEntry& entry) {
        return DatedBefore(entry, settings);
    });
    QString date = LabelPurgeDate->text();
    if (dated == 0) {
        dialogs_.ShowBox(BoxKind::Information, "No notes are dated before " + date + ".");
        return;
    }
    if (!dialogs_.AskYesNo("Remove the notes of " + Dates(dated) + " before " + date + "?"))
        return;
    int freed = PurgeOldEntries();
    if (OnPurged)
        OnPurged();
    dialogs_.ShowBox(BoxKind::Information,
                     "The notes of " + Dates(freed)
                         + " were removed. The notes file keeps them until the next note is "
                           "stored.");
}

void TFormPurge::ButtonDoneClick()
{
    ReturnToMainWindow(mainWindow_, *this);
}

void TFormPurge::reject()
{
    ButtonDoneClick();
}

void TFormPurge::closeEvent(QCloseEvent* event)
{
    event->accept();
    ButtonDoneClick();
}

}  // namespace mondeliar::app
