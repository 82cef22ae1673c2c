#pragma once
// The Language tab: choosing the language of the day and month names, and adding a language
// from the nineteen name edits.

#include <QWidget>

#include <array>
#include <functional>

class QComboBox;
class QLineEdit;

namespace mondeliar {
struct CalendarContext;
struct LanguageNameSet;
}  // namespace mondeliar

namespace mondeliar::app {

class SettingsBinder;
class UserDialogs;

class CfgLanguageTab : public QWidget {
public:
    // `namesChanged` is told when a language has been loaded.
    CfgLanguageTab(CalendarContext& context, UserDialogs& dialogs, SettingsBinder& binder,
                   std::function<void()> namesChanged, QWidget* parent = nullptr);

    // Opening: the list of language files, then the calendar's language loaded and shown.
    void FillLanguages();

private:
    QWidget* BuildNameGroup(const QString& title, const char* const* editNames,
                            const char* const* englishNames, int count, QLineEdit** edits);
    void cbLanguageChange(const QString& text);
    void ButtonAddLangClick();
    void FillNameEdits();
    LanguageNameSet NamesFromEdits() const;
    // Adds a name to the list in its sorted place, without choosing it.
    void AddLanguageItem(const QString& name);

    CalendarContext& context_;
    UserDialogs& dialogs_;
    std::function<void()> namesChanged_;
    QComboBox* cbLanguage;
    QLineEdit* EditLanguage;
    std::array<QLineEdit*, 7> dayEdits_{};     // EditSun .. EditSat
    std::array<QLineEdit*, 12> monthEdits_{};  // EditJan .. EditDec
};

}  // namespace mondeliar::app
