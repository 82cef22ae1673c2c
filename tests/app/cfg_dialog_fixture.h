#pragma once
// The configuration dialog over a calendar in a temporary folder: "program/" holds the
// language files, "data/" the calendars and the extra HTML files, "pages/" the output. The
// dialog is driven with mouse and keys; its boxes are recorded.

#include "app/fake_main_window.h"
#include "app/form_cfg.h"
#include "app/recording_dialogs.h"
#include "config/calendar_context.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace mondeliar::app::testing {

// Clicks a button where a user would: a check box or radio button on its box.
void ClickButton(QAbstractButton* button);

// Types `text` into a widget key by key, characters beyond ASCII included.
void TypeText(QWidget* widget, const QString& text);

class CfgDialogTest : public ::testing::Test {
protected:
    CfgDialogTest();

    void Open() { dialog->OpenDialog(); }
    // A control of the dialog by its name; the test fails when there is none.
    template <typename T> T* Find(const char* name) const
    {
        T* found = dialog->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Clicks the tab with this caption.
    void ShowTab(const QString& caption);
    // Replaces the text of an edit or spinner by typing.
    void Type(const char* edit, const QString& text);
    void Click(const char* button);
    // Clicks item `index` of a radio group.
    void Choose(const char* group, int index);
    // Opens the cell's editor with a double click, types, and presses Return.
    void TypeIntoCell(QAbstractItemView* grid, int row, int column, const QString& text);
    void PressOk() { Click("ButtonOk"); }

    std::string SettingsFile() const
    {
        return mondeliar::testing::ReadFile(context.SettingsFileName);
    }
    // The lines of the settings file, CR LF removed.
    std::vector<std::string> SettingsLines() const;
    std::string Value(const std::vector<std::string>& lines, const std::string& key) const;

    mondeliar::testing::TempDir dir;
    RecordingDialogs dialogs;
    FakeMainWindow mainWindow;
    CalendarContext context;
    std::unique_ptr<TFormCfg> dialog;
};

}  // namespace mondeliar::app::testing
