#include "app/cfg_calendars_tab.h"

#include "app/cfg_widgets.h"
#include "app/date_picker.h"
#include "app/handler_guard.h"
#include "app/main_window_access.h"
#include "app/radio_group.h"
#include "app/text_convert.h"
#include "app/user_dialogs.h"
#include "config/calendar_context.h"
#include "config/calendar_files.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

QFrame* Separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

CfgCalendarsTab::CfgCalendarsTab(CalendarContext& context, UserDialogs& dialogs,
                                 MainWindowAccess& mainWindow, QWidget* parent)
    : QWidget(parent), context_(context), dialogs_(dialogs), mainWindow_(mainWindow)
{
    auto* layout = new QVBoxLayout(this);
    EditNewCalendar = NamedEdit("EditNewCalendar", this);
    auto* buttonCreate = NamedButton("ButtonCreate", "Create a new calendar", this);
    AddLabelledWithButton(layout, "Enter the name of a new calendar.", EditNewCalendar,
                          buttonCreate);
    rgNewCfg
        = new RadioGroup("New calendar configuration settings",
                         {"Use default configuration setting", "Use current settings"}, 2, this);
    rgNewCfg->setObjectName("rgNewCfg");
    layout->addWidget(rgNewCfg);
    layout->addWidget(Separator(this));

    cbDeleteCalendar = NamedCombo("cbDeleteCalendar", mainWindow.CalendarListItems(), this);
    cbDeleteCalendar->setCurrentIndex(-1);
    auto* buttonDelete = NamedButton("ButtonDeleteCalendar", "Delete selected calendar", this);
    AddLabelledWithButton(layout, "Calendar to delete", cbDeleteCalendar, buttonDelete);
    layout->addWidget(Separator(this));

    DateTimePickerPurge = new DatePicker(this);
    DateTimePickerPurge->setObjectName("DateTimePickerPurge");
    DateTimePickerPurge->setToolTip(
        "Entries older than this date will be removed with the purge option");
    auto* purgeRow = new QHBoxLayout;
    purgeRow->addWidget(DateTimePickerPurge);
    purgeRow->addStretch();
    layout->addWidget(new QLabel("Purge entries before this date", this));
    layout->addLayout(purgeRow);
    layout->addStretch();

    connect(buttonCreate, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonCreateClick(); }));
    connect(buttonDelete, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonDeleteCalendarClick(); }));
}

void CfgCalendarsTab::Fill(const CalendarSettings& settings)
{
    rgNewCfg->SetIndex(0);
    DateTimePickerPurge->SetStoredDate(settings.PURGEYEAR, settings.PURGEMONTH, settings.PURGEDAY);
}

void CfgCalendarsTab::StorePurgeDate(CalendarSettings& settings) const
{
    Date purge = DateTimePickerPurge->StoredDate();
    settings.PURGEYEAR = static_cast<std::uint16_t>(purge.Year);
    settings.PURGEMONTH = static_cast<std::uint16_t>(purge.Month);
    settings.PURGEDAY = static_cast<std::uint16_t>(purge.Day);
}

bool CfgCalendarsTab::Refused(const std::string& refusal)
{
    if (!refusal.empty())
        dialogs_.ShowBox(BoxKind::Message, FromWindows1252(refusal));
    return !refusal.empty();
}

// The new calendar's three files; the current calendar stays current.
void CfgCalendarsTab::ButtonCreateClick()
{
    std::string name = ToWindows1252(EditNewCalendar->text());
    SaveMode mode = rgNewCfg->Index() == 1 ? SaveMode::Current : SaveMode::Defaults;
    if (Refused(CreateCalendar(context_, name, mode)))
        return;
    mainWindow_.AddCalendarListItem(FromWindows1252(name));
}

void CfgCalendarsTab::ButtonDeleteCalendarClick()
{
    Refused(DeleteCalendar(context_, ToWindows1252(cbDeleteCalendar->currentText())));
}

}  // namespace mondeliar::app
