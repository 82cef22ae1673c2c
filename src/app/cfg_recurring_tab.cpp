#include "app/cfg_recurring_tab.h"

#include "app/recurring_grid.h"
#include "app/recurring_model.h"
#include "config/calendar_context.h"

#include <QVBoxLayout>

namespace mondeliar::app {

CfgRecurringTab::CfgRecurringTab(CalendarContext& context, QWidget* parent) : QWidget(parent)
{
    model_ = new RecurringModel(context.Recurring, this);
    sgRecurring = new RecurringGrid(model_, this);
    sgRecurring->setObjectName("sgRecurring");
    sgRecurring->setToolTip("Drag grey column on left to rearrange entries");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgRecurring);
}

void CfgRecurringTab::Reload()
{
    model_->Reload();
}

void CfgRecurringTab::Repaint()
{
    sgRecurring->viewport()->update();
}

}  // namespace mondeliar::app
