#pragma once
// The live page preview: this month's page as the write command would write it with the
// dialog's values, rendered in memory by the same page writer and shown in a browser pane.
// Nothing is written to disk and nothing of the calendar is changed.

#include "config/calendar_settings.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QTextBrowser;

namespace mondeliar {
struct CalendarContext;
}

namespace mondeliar::app {

// A copy of the calendar for rendering, holding `settings` in place of its own.
std::unique_ptr<CalendarContext> PreviewCalendar(const CalendarContext& context,
                                                 const CalendarSettings& settings);

class PagePreview : public QWidget {
public:
    // `settings` gives the settings to show: the calendar's with the dialog's values applied.
    PagePreview(CalendarContext& context, std::function<CalendarSettings()> settings,
                QWidget* parent = nullptr);

    // Renders again shortly, once for changes in quick succession, while the pane is shown.
    void Schedule();
    void Refresh();

    // The page shown, in the bytes the write command would write; empty when the page
    // could not be rendered and a note is shown instead.
    const std::string& Page() const { return page_; }
    QTextBrowser* Browser() const { return browser_; }

private:
    void ShowNote(const QString& note);

    CalendarContext& context_;
    std::function<CalendarSettings()> settings_;
    QLabel* caption_;
    QTextBrowser* browser_;
    QTimer timer_;
    std::string page_;
};

}  // namespace mondeliar::app
