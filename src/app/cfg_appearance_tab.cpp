#include "app/cfg_appearance_tab.h"

#include "app/cfg_widgets.h"
#include "app/handler_guard.h"
#include "app/radio_group.h"
#include "app/settings_binder.h"
#include "app/user_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

RadioGroup* NamedGroup(const char* name, const QString& title, const QStringList& items,
                       QWidget* parent, const QString& hint = {})
{
    auto* group = new RadioGroup(title, items, 1, parent);
    group->setObjectName(name);
    group->setToolTip(hint);
    return group;
}

QSpinBox* NamedSpinner(const char* name, int minimum, int maximum, int value, QWidget* parent)
{
    auto* spinner = new QSpinBox(parent);
    spinner->setObjectName(name);
    spinner->setRange(minimum, maximum);
    spinner->setValue(value);
    return spinner;
}

}  // namespace

CfgAppearanceTab::CfgAppearanceTab(SettingsBinder& binder, UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs)
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(BuildLabelsColumn(binder), 1);
    layout->addWidget(BuildTableColumn(binder), 1);
}

QWidget* CfgAppearanceTab::BuildLabelsColumn(SettingsBinder& binder)
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    const QStringList sides = {"Left", "Center", "Right"};
    auto* alignment = new QGroupBox("Alignment", column);
    auto* aligned = new QHBoxLayout(alignment);
    auto* rgAlignTable = NamedGroup("rgAlignTable", "Calendar", sides, alignment);
    auto* rgAlignDate = NamedGroup("rgAlignDate", "Date cell text", sides, alignment);
    aligned->addWidget(rgAlignTable);
    aligned->addWidget(rgAlignDate);
    layout->addWidget(alignment);

    auto* rgMonthLinks = NamedGroup(
        "rgMonthLinks", "Links to other months",
        {"None", "In a row above the calendar", "Either side of the current month name", "Both"},
        column);
    layout->addWidget(rgMonthLinks);
    const QStringList labels = {"None", "Text label", "Use image"};
    auto* rgYearLabel = NamedGroup("rgYearLabel", "Year label", labels, column,
                                   "How year is displayed on calendar");
    auto* rgMonthLabel = NamedGroup("rgMonthLabel", "Month label", labels, column,
                                    "How month name is displayed on calendar");
    auto* pair = new QHBoxLayout;
    pair->addWidget(rgYearLabel);
    pair->addWidget(rgMonthLabel);
    layout->addLayout(pair);

    auto* headings = new QGroupBox("Heading tags", column);
    auto* form = new QFormLayout(headings);
    const QStringList tags = {"H1", "H2", "H3", "H4"};
    auto* cbHeadingYear = NamedCombo("cbHeadingYear", tags, headings);
    auto* cbHeadingMonth = NamedCombo("cbHeadingMonth", tags, headings);
    auto* cbHeadingDay = NamedCombo("cbHeadingDay", tags, headings);
    form->addRow("Title / Year", cbHeadingYear);
    form->addRow("Month name", cbHeadingMonth);
    form->addRow("Day name", cbHeadingDay);
    layout->addWidget(headings);
    layout->addStretch();

    using S = CalendarSettings;
    binder.Bind(rgAlignTable, &S::ALIGNTABLE);
    binder.Bind(rgAlignDate, &S::ALIGNDATE);
    binder.Bind(rgMonthLinks, &S::MONTHLINKS);
    binder.Bind(rgYearLabel, &S::YEARLABEL);
    binder.Bind(rgMonthLabel, &S::MONTHLABEL);
    binder.Bind(cbHeadingYear, &S::HEADINGTAGYEAR, 5);
    binder.Bind(cbHeadingMonth, &S::HEADINGTAGMONTH, 5);
    binder.Bind(cbHeadingDay, &S::HEADINGTAGDAY, 5);
    return column;
}

QWidget* CfgAppearanceTab::BuildTableColumn(SettingsBinder& binder)
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* cbLastUpdate = NamedCheck("cbLastUpdate", "Display last updated date", column,
                                    "Display the date the calendar page was last updated");
    auto* cbDisplayTitle = NamedCheck("cbDisplayTitle", "Display web page title", column,
                                      "Show the Title meta tag on the web page");
    auto* cbBorderColor = NamedCheck("cbBorderColor", "Use border color option", column,
                                     "Use the border color option selected in the colors section");
    auto* cbColumnWidth
        = NamedCheck("cbColumnWidth", "Equal column width", column, "Set equal column widths");
    auto* cbRowHeight = NamedCheck("cbRowHeight", "Equal row height", column,
                                   "Set equal row height (seems to only work with Explorer)");
    for (QCheckBox* box : {cbLastUpdate, cbDisplayTitle, cbBorderColor, cbColumnWidth, cbRowHeight})
        layout->addWidget(box);

    auto* EditStyleSheet = NamedEdit("EditStyleSheet", column);
    AddLabelled(layout, "Web server path to style sheet", EditStyleSheet);
    auto* EditbgImage = NamedEdit("EditbgImage", column);
    AddLabelled(layout, "Web server path to background image", EditbgImage);
    EditFont = NamedEdit("EditFont", column);
    auto* ButtonFont = NamedButton("ButtonFont", "Select", column, "Font face only");
    AddLabelledWithButton(layout, "Font ", EditFont, ButtonFont);

    auto* form = new QFormLayout;
    auto* SpinEditBorderWidth = NamedSpinner("SpinEditBorderWidth", 0, 99, 5, column);
    auto* SpinEditWidth = NamedSpinner("SpinEditWidth", 10, 100, 100, column);
    auto* cbNoteDivider = NamedCombo("cbNoteDivider", {"<HR>", "<BR>", "<BR><BR>", "<P>"}, column);
    form->addRow("Border width", SpinEditBorderWidth);
    form->addRow("Width %", SpinEditWidth);
    form->addRow("Note divider", cbNoteDivider);
    layout->addLayout(form);
    layout->addStretch();

    using S = CalendarSettings;
    binder.Bind(cbLastUpdate, &S::LASTUPDATE);
    binder.Bind(cbDisplayTitle, &S::DISPLAYWEBPAGETITLE);
    binder.Bind(cbBorderColor, &S::USEBORDERCOLOR);
    binder.Bind(cbColumnWidth, &S::COLUMNWIDTH);
    binder.Bind(cbRowHeight, &S::ROWHEIGHT);
    binder.Bind(EditStyleSheet, &S::STYLESHEET, 128);
    binder.Bind(EditbgImage, &S::BACKGROUNDIMAGE, 128);
    binder.Bind(EditFont, &S::FONTFACE, 35);
    binder.Bind(SpinEditBorderWidth, &S::BORDER, 2);
    binder.Bind(SpinEditWidth, &S::WIDTH, 3);
    binder.Bind(cbNoteDivider, &S::NOTEDIVIDER, 8);

    connect(ButtonFont, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonFontClick(); }));
    return column;
}

void CfgAppearanceTab::ButtonFontClick()
{
    if (std::optional<QString> face = dialogs_.ChooseFontFace())
        EditFont->setText(*face);
}

}  // namespace mondeliar::app
