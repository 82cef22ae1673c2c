#include "app/cfg_colors_tab.h"

#include "app/cfg_widgets.h"
#include "app/colour_text.h"
#include "app/handler_guard.h"
#include "app/user_dialogs.h"
#include "config/calendar_context.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

using S = CalendarSettings;
using P = PreviewPart;

const ColourButton ColourButtons[] = {
    {"ButtonBGmain", "BG", &S::COLORMAINBG, P::MainFill},
    {"ButtonFGmain", "FG", &S::COLORMAINFG, P::MainText},
    {"ButtonBGmonth", "BG", &S::COLORMONTHNAMEBG, P::MonthFill},
    {"ButtonFGmonth", "FG", &S::COLORMONTHNAMEFG, P::MonthText},
    {"ButtonBGday", "BG", &S::COLORDAYNAMEBG, P::DayFill},
    {"ButtonFGday", "FG", &S::COLORDAYNAMEFG, P::DayText},
    {"ButtonBGblank", "BG", &S::COLORBLANKCELLBG, P::BlankFill},
    {"ButtonBGdate", "BG", &S::COLORDATESBG, P::DateFill},
    {"ButtonFGdate", "FG", &S::COLORDATESFG, P::DateText},
    {"ButtonBGnote", "BG", &S::COLORNOTESBG, P::NoteFill},
    {"ButtonFGnote", "FG", &S::COLORNOTESFG, P::NoteText},
    {"ButtonBorder", "Border", &S::COLORBORDER, P::BorderFill},
};

// The labelled pairs of buttons, by their names; the blank cells' FG button has no colour.
struct ButtonPair {
    const char* label;
    const char* background;
    const char* foreground;
};

const ButtonPair ButtonPairs[] = {
    {"Main page", "ButtonBGmain", "ButtonFGmain"},
    {"Month name", "ButtonBGmonth", "ButtonFGmonth"},
    {"Day name", "ButtonBGday", "ButtonFGday"},
    {"Blank cells", "ButtonBGblank", "ButtonFGblank"},
    {"Date cells", "ButtonBGdate", "ButtonFGdate"},
    {"Note cells", "ButtonBGnote", "ButtonFGnote"},
};

const ColourButton* FindButton(const char* name)
{
    for (const ColourButton& button : ColourButtons)
        if (QByteArray(button.name) == name)
            return &button;
    return nullptr;
}

// A small square of the colour, shown on its button.
QIcon Swatch(const QColor& colour)
{
    QPixmap square(16, 16);
    square.fill(colour);
    QPainter frame(&square);
    frame.setPen(Qt::darkGray);
    frame.drawRect(0, 0, 15, 15);
    return QIcon(square);
}

QString HintOf(const char* caption)
{
    QByteArray text(caption);
    return text == "BG" ? "Background" : text == "FG" ? "Foreground" : QString();
}

}  // namespace

CfgColorsTab::CfgColorsTab(CalendarContext& context, UserDialogs& dialogs,
                           std::function<void()> colourStored, QWidget* parent)
    : QWidget(parent), context_(context), dialogs_(dialogs), colourStored_(std::move(colourStored))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildButtons());
    preview_ = new ColourPreview(this);
    layout->addWidget(preview_, 1);
}

QWidget* CfgColorsTab::BuildButtons()
{
    auto* buttons = new QWidget(this);
    auto* grid = new QGridLayout(buttons);
    grid->setContentsMargins(0, 0, 0, 0);
    auto addButton = [&](const char* name, int row, int column) {
        const ColourButton* colour = FindButton(name);
        QString caption = colour ? colour->caption : "FG";
        QPushButton* button = NamedButton(name, caption, buttons, HintOf(caption.toLatin1()));
        grid->addWidget(button, row, column);
        if (!colour) {
            button->setEnabled(false);
            return;
        }
        connect(button, &QPushButton::clicked, this,
                Guarded(dialogs_, [this, colour](auto&&...) { SelectColor(*colour); }));
    };
    constexpr int PairsPerRow = 3;
    for (int i = 0; i < 6; ++i) {
        const ButtonPair& pair = ButtonPairs[i];
        int row = i / PairsPerRow * 2;
        int column = i % PairsPerRow * 2;
        grid->addWidget(new QLabel(pair.label, buttons), row, column, 1, 2);
        addButton(pair.background, row + 1, column);
        addButton(pair.foreground, row + 1, column + 1);
    }
    addButton("ButtonBorder", 4, 0);
    return buttons;
}

void CfgColorsTab::Fill(const CalendarSettings& settings)
{
    for (const ColourButton& button : ColourButtons)
        if (std::optional<QColor> colour = ColorFromHex(settings.*button.setting))
            ShowColour(button, *colour);
}

void CfgColorsTab::ShowColour(const ColourButton& button, const QColor& colour)
{
    preview_->Paint(button.part, colour);
    if (auto* shown = findChild<QPushButton*>(button.name))
        shown->setIcon(Swatch(colour));
}

void CfgColorsTab::SelectColor(const ColourButton& button)
{
    std::string& setting = context_.Settings.*button.setting;
    std::optional<QColor> chosen = dialogs_.ChooseColor();
    if (!chosen)
        chosen = ColorFromHex(setting);
    // A stored text that is no colour stays as it is when the dialog is cancelled.
    if (!chosen)
        return;
    ShowColour(button, *chosen);
    setting = HexFromColor(*chosen);
    colourStored_();
}

}  // namespace mondeliar::app
