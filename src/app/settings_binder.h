#pragma once
// The controls that show one setting each: filled from the settings when the dialog opens,
// stored back by Ok (and into a copy for the page preview). Texts are cut to their field's
// capacity as they enter the record.

#include "config/calendar_settings.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace mondeliar::app {

class RadioGroup;

using TextField = std::string CalendarSettings::*;
using FlagField = bool CalendarSettings::*;
using ByteField = std::uint8_t CalendarSettings::*;

// A typed text as it enters a record: Windows-1252, cut to `capacity` bytes without leaving
// part of a character reference ("&#26085;") at the end.
std::string SettingText(const QString& text, std::size_t capacity);

class SettingsBinder {
public:
    // The edit takes at most `capacity` characters.
    void Bind(QLineEdit* edit, TextField field, std::size_t capacity);
    // Untouched since filled (neither typed in nor set), the edit leaves the setting as it is
    // by then: a publish may have changed it while the dialog was open.
    void BindKeepingUntouched(QLineEdit* edit, TextField field, std::size_t capacity);
    // An editable drop-down: its text is the setting.
    void Bind(QComboBox* combo, TextField field, std::size_t capacity);
    // A spinner whose number is kept as a text; untouched, it keeps the stored text.
    void Bind(QSpinBox* spinner, TextField field, std::size_t capacity);
    void Bind(QCheckBox* box, FlagField field);
    // The selected item's index; a setting outside the items selects none, and storing
    // then keeps the setting.
    void Bind(RadioGroup* group, ByteField field);

    void Fill(const CalendarSettings& settings) const;
    void Store(CalendarSettings& settings) const;

private:
    struct Binding {
        std::function<void(const CalendarSettings&)> fill;
        std::function<void(CalendarSettings&)> store;
    };
    std::vector<Binding> bindings_;
};

}  // namespace mondeliar::app
