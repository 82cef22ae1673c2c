#include "app/cfg_meta_tags_tab.h"

#include "app/cfg_widgets.h"
#include "app/live_edit_delegate.h"
#include "app/settings_binder.h"
#include "app/text_convert.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

constexpr std::size_t KeywordsCapacity = 255;

}  // namespace

CfgMetaTagsTab::CfgMetaTagsTab(SettingsBinder& binder, QWidget* parent) : QWidget(parent)
{
    auto* fields = new QVBoxLayout;
    auto* EditTitle = NamedEdit("EditTitle", this);
    auto* EditDescription = NamedEdit("EditDescription", this);
    auto* EditReplyTo = NamedEdit("EditReplyTo", this);
    auto* EditAuthor = NamedEdit("EditAuthor", this);
    AddLabelled(fields, "Web page title", EditTitle);
    AddLabelled(fields, "Web page description", EditDescription);
    AddLabelled(fields, "Reply to", EditReplyTo);
    AddLabelled(fields, "Author", EditAuthor);
    auto* cbAddMonthToTitle
        = NamedCheck("cbAddMonthToTitle", "Add individual month name to title", this);
    fields->addWidget(cbAddMonthToTitle);
    fields->addStretch();

    auto* keywords = new QGroupBox("Keywords", this);
    auto* keywordLayout = new QVBoxLayout(keywords);
    sgKeywords = new QTableWidget(KeywordRows, 1, keywords);
    sgKeywords->setObjectName("sgKeywords");
    sgKeywords->setItemDelegate(new LiveEditDelegate(sgKeywords));
    sgKeywords->horizontalHeader()->hide();
    sgKeywords->verticalHeader()->hide();
    sgKeywords->horizontalHeader()->setStretchLastSection(true);
    sgKeywords->setMinimumWidth(144);
    UseCompactRows(sgKeywords);
    keywordLayout->addWidget(sgKeywords);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 3);
    layout->addWidget(keywords, 2);

    using S = CalendarSettings;
    binder.Bind(EditTitle, &S::TITLE, 128);
    binder.Bind(EditDescription, &S::DESCRIPTION, 128);
    binder.Bind(EditReplyTo, &S::REPLYTO, 128);
    binder.Bind(EditAuthor, &S::AUTHOR, 128);
    binder.Bind(cbAddMonthToTitle, &S::ADDMONTHTOTITLE);
}

void CfgMetaTagsTab::Fill(const CalendarSettings& settings)
{
    QStringList cells;
    for (int row = 0; row < KeywordRows; ++row)
        cells.push_back(QString());
    int row = 0;
    std::string cell;
    for (char c : settings.KEYWORDS) {
        if (c == ',' && row < KeywordRows - 1) {
            cells[row] = FromWindows1252(cell);
            cell.clear();
            ++row;
        } else {
            cell += c;
        }
    }
    cells[row] = FromWindows1252(cell);
    for (row = 0; row < KeywordRows; ++row)
        sgKeywords->setItem(row, 0, new QTableWidgetItem(cells[row]));
}

void CfgMetaTagsTab::Store(CalendarSettings& settings) const
{
    QString keywords;
    for (int row = 0; row < KeywordRows; ++row) {
        QTableWidgetItem* item = sgKeywords->item(row, 0);
        if (item && !item->text().isEmpty())
            keywords += "," + item->text();
    }
    settings.KEYWORDS = SettingText(keywords, KeywordsCapacity);
}

}  // namespace mondeliar::app
