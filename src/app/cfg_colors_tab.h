#pragma once
// The Colors tab: a button per colour setting, each storing its colour at once, and the
// sketch of a page that shows them.

#include "app/colour_preview.h"
#include "app/settings_binder.h"

#include <QWidget>

#include <functional>

namespace mondeliar {
struct CalendarContext;
}

namespace mondeliar::app {

class UserDialogs;

// One colour button: the setting it stores and what it repaints in the sketch.
struct ColourButton {
    const char* name;
    const char* caption;
    TextField setting;
    PreviewPart part;
};

class CfgColorsTab : public QWidget {
public:
    // `colourStored` is told after a button has stored a colour.
    CfgColorsTab(CalendarContext& context, UserDialogs& dialogs, std::function<void()> colourStored,
                 QWidget* parent = nullptr);

    // Paints the sketch from the settings.
    void Fill(const CalendarSettings& settings);

private:
    QWidget* BuildButtons();
    // Paints a colour into the sketch and onto its button.
    void ShowColour(const ColourButton& button, const QColor& colour);
    // The colour dialog for one setting: the choice, or the old colour when it is cancelled,
    // is painted and stored in the settings at once.
    void SelectColor(const ColourButton& button);

    CalendarContext& context_;
    UserDialogs& dialogs_;
    std::function<void()> colourStored_;
    ColourPreview* preview_;
};

}  // namespace mondeliar::app
