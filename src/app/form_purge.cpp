#include "app/form_purge.h"

#include "app/dialog_handoff.h"
#include "app/handler_guard.h"
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

}  // namespace

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
    GaugeUsage->setFormat("%p%");
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
    GaugeUsage->setValue(context_.Entries.CountUsedEntries());
    const CalendarSettings& s = context_.Settings;
    LabelPurgeDate->setText(QString("%1/%2/%3").arg(s.PURGEDAY).arg(s.PURGEMONTH).arg(s.PURGEYEAR));
    OpenOverMainWindow(mainWindow_, *this);
}

void TFormPurge::PurgeOldEntries()
{
    EntryStore& entries = context_.Entries;
    for (int k = 1; k <= MaxEntries; ++k) {
        if (!DatedBefore(entries.Slot(k), context_.Settings))
            continue;
        entries.ClearCurrentEntry();
        entries.Slot(k) = entries.CurrentEntry;
    }
}

void TFormPurge::Button1Click()
{
    PurgeOldEntries();
    if (OnPurged)
        OnPurged();
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
