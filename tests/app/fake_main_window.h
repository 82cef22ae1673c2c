#pragma once
// A stand-in for the main window as the configuration dialog sees it: a calendar list, the
// month grid's first weekday and how often the window was brought to the front.

#include "app/main_window_access.h"

namespace mondeliar::app::testing {

class FakeMainWindow : public MainWindowAccess {
public:
    QString CalendarListText() const override { return ListText; }
    void SetCalendarListText(const QString& name) override { ListText = name; }
    QStringList CalendarListItems() const override { return ListItems; }
    void AddCalendarListItem(const QString& name) override
    {
        ListItems.push_back(name);
        ListItems.sort(Qt::CaseInsensitive);
    }
    void SetCalendarListEnabled(bool enabled) override { ListEnabled = enabled; }
    void SetFirstDayOfWeek(int startWeek) override { FirstDayOfWeek = startWeek; }
    void BringToFront() override { ++BroughtToFront; }

    QString ListText = "default calendar";
    QStringList ListItems = {"default calendar"};
    bool ListEnabled = true;
    int FirstDayOfWeek = 0;
    int BroughtToFront = 0;
};

}  // namespace mondeliar::app::testing
