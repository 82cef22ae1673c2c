#pragma once
// The desktop program started in a fresh data folder, with its own program folder holding
// the shipped English and French language files, and every message box recorded. Tests
// reach the controls by their names and drive them with QTest.

#include "app/desktop.h"
#include "app/form_main.h"
#include "app/recording_dialogs.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace mondeliar::app::testing {

// 5 February 2002, the launch date of the tests.
inline const Date LaunchDate{2002, 2, 5};

class DesktopTest : public ::testing::Test {
protected:
    DesktopTest();
    ~DesktopTest() override;

    // Starts the program; the data folder may be prepared before.
    void Start(Date today = LaunchDate);

    TFormMain& Main() { return desktop->FormMain(); }
    CalendarContext& Context() { return desktop->Context(); }

    // The control named `name` inside `window`; fails the test when there is none.
    template <typename T = QWidget> T* Control(QWidget& window, const char* name)
    {
        T* control = window.findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // Types `text` key by key into `widget`, characters beyond ASCII included.
    static void TypeText(QWidget* widget, const QString& text);
    // A left click in the middle of a button, as the user makes it.
    void Click(QWidget& window, const char* button);
    // A double-click on a date of the month grid.
    void DoubleClickDate(const Date& date);
    // The grid's selected date.
    Date GridDate();
    QString DateLabel();

    // Writes a notes file for `calendar` from records of (month, day, year, first note).
    void WriteNotes(const std::string& calendar,
                    const std::vector<std::tuple<int, int, int, std::string>>& records);
    // Adds lines to a calendar's settings file (after the default settings).
    void SetSettings(const std::string& lines, const std::string& calendar = "default calendar");
    // A calendar with its three files: default settings followed by `settings`.
    void CreateCalendar(const std::string& name, const std::string& settings = "");
    // The texts of the recorded boxes.
    QStringList Boxes() const { return dialogs.Texts(); }

    mondeliar::testing::TempDir data;
    mondeliar::testing::TempDir program;
    RecordingDialogs dialogs;
    std::unique_ptr<Desktop> desktop;
    int terminations = 0;
};

}  // namespace mondeliar::app::testing
