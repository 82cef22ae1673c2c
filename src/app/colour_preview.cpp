#include "app/colour_preview.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

void SetRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QWidget* FilledPanel(const char* name, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    return panel;
}

}  // namespace

ColourPreview::ColourPreview(QWidget* parent) : QWidget(parent)
{
    const QString mainText = "This is the main page colors set in the <BODY> tag";
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    panelMain_ = FilledPanel("PanelMain", this);
    panelMain_->setToolTip("Main page");
    outer->addWidget(panelMain_);

    auto* page = new QVBoxLayout(panelMain_);
    labelMainFG_ = new QLabel(mainText, panelMain_);
    labelMainFG_->setObjectName("LabelMainFG");
    labelMainFG_->setTextFormat(Qt::PlainText);
    labelMainFG_->setAlignment(Qt::AlignCenter);
    labelMainFG_->setWordWrap(true);
    page->addWidget(labelMainFG_);

    panelBorder_ = FilledPanel("PanelBorder", panelMain_);
    page->addWidget(panelBorder_, 1);
    auto* table = new QGridLayout(panelBorder_);
    table->setContentsMargins(3, 3, 3, 3);
    table->setSpacing(2);

    panelMonth_ = AddPanel("PanelMonth", "January", QString());
    table->addWidget(panelMonth_, 0, 0, 1, 7);
    const char* dayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* dayPanels[]
        = {"PanelSun", "PanelMon", "PanelTue", "PanelWed", "PanelThu", "PanelFri", "PanelSat"};
    for (int d = 0; d < 7; ++d) {
        days_.push_back(AddPanel(dayPanels[d], dayNames[d], "Day name"));
        table->addWidget(days_.back(), 1, d);
    }
    // A month beginning on a Friday: five blank cells, then the dates 1 to 9.
    for (int b = 1; b <= 5; ++b) {
        QByteArray name = "PanelBlank" + QByteArray::number(b);
        blanks_.push_back(AddPanel(name.constData(), QString(), "Blank cell"));
        table->addWidget(blanks_.back(), 2, b - 1);
    }
    const char* noteTexts[] = {"Birthday", "Holiday", "Meeting"};
    for (int day = 1; day <= 9; ++day) {
        bool hasNote = day == 3 || day == 6 || day == 8;
        QByteArray name = "PanelDate" + QByteArray::number(day);
        QWidget* panel
            = AddPanel(name.constData(), QString::number(day), hasNote ? "Note cell" : "Date cell");
        numbers_.push_back(panel->findChild<QLabel*>());
        (hasNote ? noteDates_ : dates_).push_back(panel);
        if (hasNote) {
            QByteArray labelName = "LabelNote" + QByteArray::number(noteDates_.size());
            auto* note = new QLabel(noteTexts[noteDates_.size() - 1], panel);
            note->setObjectName(labelName);
            static_cast<QVBoxLayout*>(panel->layout())->insertWidget(1, note);
            notes_.push_back(note);
        }
        int cell = 5 + day - 1;
        table->addWidget(panel, 2 + cell / 7, cell % 7);
    }
    // The week rows take the height; the name rows keep their text's.
    table->setRowStretch(2, 1);
    table->setRowStretch(3, 1);
}

// A panel of the month table holding its text in a label, top left like a page's cell.
QWidget* ColourPreview::AddPanel(const char* name, const QString& text, const QString& hint)
{
    QWidget* panel = FilledPanel(name, panelBorder_);
    panel->setToolTip(hint);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(3, 1, 3, 1);
    layout->setSpacing(0);
    auto* label = new QLabel(text, panel);
    label->setTextFormat(Qt::PlainText);
    if (QByteArray(name) == "PanelMonth")
        label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    layout->addStretch();
    return panel;
}

void ColourPreview::Paint(PreviewPart part, const QColor& colour)
{
    auto fill = [&](const std::vector<QWidget*>& panels) {
        for (QWidget* panel : panels)
            SetRole(panel, QPalette::Window, colour);
    };
    auto text = [&](const auto& widgets) {
        for (QWidget* widget : widgets)
            SetRole(widget, QPalette::WindowText, colour);
    };
    switch (part) {
    case PreviewPart::MainFill:
        fill({panelMain_});
        break;
    case PreviewPart::MainText:
        text(std::vector<QWidget*>{labelMainFG_});
        break;
    case PreviewPart::MonthFill:
        fill({panelMonth_});
        break;
    case PreviewPart::MonthText:
        text(std::vector<QWidget*>{panelMonth_});
        break;
    case PreviewPart::DayFill:
        fill(days_);
        break;
    case PreviewPart::DayText:
        text(days_);
        break;
    case PreviewPart::BlankFill:
        fill(blanks_);
        break;
    case PreviewPart::DateFill:
        fill(dates_);
        break;
    case PreviewPart::DateText:
        text(numbers_);
        break;
    case PreviewPart::NoteFill:
        fill(noteDates_);
        break;
    case PreviewPart::NoteText:
        text(notes_);
        break;
    case PreviewPart::BorderFill:
        fill({panelBorder_});
        break;
    }
}

}  // namespace mondeliar::app
