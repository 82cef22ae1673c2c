#pragma once
// The Recurring tab: the grid of the calendar's recurring entries.

#include <QWidget>

namespace mondeliar {
struct CalendarContext;
}

namespace mondeliar::app {

class RecurringGrid;
class RecurringModel;

class CfgRecurringTab : public QWidget {
public:
    explicit CfgRecurringTab(CalendarContext& context, QWidget* parent = nullptr);

    // Shows the list again after it was loaded from its file.
    void Reload();
    // Shows the list as it stands now.
    void Repaint();
    RecurringModel* Model() const { return model_; }

private:
    RecurringModel* model_;
    RecurringGrid* sgRecurring;
};

}  // namespace mondeliar::app
