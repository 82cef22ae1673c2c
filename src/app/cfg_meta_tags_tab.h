#pragma once
// The Meta tags tab: the page title and meta data, and the keywords, one per grid row.

#include <QWidget>

class QTableWidget;

namespace mondeliar {
struct CalendarSettings;
}

namespace mondeliar::app {

class SettingsBinder;

class CfgMetaTagsTab : public QWidget {
public:
    static constexpr int KeywordRows = 50;

    CfgMetaTagsTab(SettingsBinder& binder, QWidget* parent = nullptr);

    // The keyword grid from KEYWORDS: each comma starts the next row, so the first keyword,
    // after the leading comma, lands in row 1. The last row keeps whatever follows it.
    void Fill(const CalendarSettings& settings);
    // KEYWORDS from the grid: a comma and the cell for every row that is not empty.
    void Store(CalendarSettings& settings) const;

private:
    QTableWidget* sgKeywords;
};

}  // namespace mondeliar::app
