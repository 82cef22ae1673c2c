#include "app/cfg_language_tab.h"

#include "app/cfg_widgets.h"
#include "app/handler_guard.h"
#include "app/radio_group.h"
#include "app/settings_binder.h"
#include "app/text_convert.h"
#include "config/calendar_context.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

const char* const DayEditNames[]
    = {"EditSun", "EditMon", "EditTue", "EditWed", "EditThu", "EditFri", "EditSat"};
const char* const MonthEditNames[]
    = {"EditJan", "EditFeb", "EditMar", "EditApr", "EditMay", "EditJun",
       "EditJul", "EditAug", "EditSep", "EditOct", "EditNov", "EditDec"};
const char* const EnglishDays[]
    = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const EnglishMonths[]
    = {"January", "February", "March",     "April",   "May",      "June",
       "July",    "August",   "September", "October", "November", "December"};

const char* const AddLanguageNote
    = "To add a new language fill in the name of the language, the names of the days and "
      "months in the edit boxes to the right. Then click on the \"Add new language\" button "
      "below. The new language will be added to the list.";

}  // namespace

CfgLanguageTab::CfgLanguageTab(CalendarContext& context, UserDialogs& dialogs,
                               SettingsBinder& binder, std::function<void()> namesChanged,
                               QWidget* parent)
    : QWidget(parent), context_(context), dialogs_(dialogs), namesChanged_(std::move(namesChanged))
{
    auto* left = new QVBoxLayout;
    cbLanguage = NamedCombo("cbLanguage", {}, this);
    AddLabelled(left, "Select language", cbLanguage);
    EditLanguage = NamedEdit("EditLanguage", this);
    EditLanguage->setText("English");
    AddLabelled(left, "Current language", EditLanguage);
    // The read-only note, as high as its wrapped lines need in whatever width it gets.
    auto* Memo1 = new QLabel(AddLanguageNote, this);
    Memo1->setObjectName("Memo1");
    Memo1->setWordWrap(true);
    Memo1->setFrameShape(QFrame::StyledPanel);
    Memo1->setMargin(4);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    left->addWidget(Memo1);
    auto* buttonAdd = NamedButton("ButtonAddLang", "Add new language", this,
                                  "Add your entries to the pre-defined language list");
    left->addWidget(buttonAdd);
    left->addStretch();
    auto* rgLanguage = new RadioGroup("Use selected language for",
                                      {"calendar output", "program labels", "both"}, 1, this);
    rgLanguage->setObjectName("rgLanguage");
    rgLanguage->setEnabled(false);
    rgLanguage->setVisible(false);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(
        BuildNameGroup("Days of the week", DayEditNames, EnglishDays, 7, dayEdits_.data()));
    layout->addWidget(
        BuildNameGroup("Months", MonthEditNames, EnglishMonths, 12, monthEdits_.data()));

    binder.Bind(EditLanguage, &CalendarSettings::LANGUAGESELECTED, 30);
    binder.Bind(rgLanguage, &CalendarSettings::LANGUAGEOPTIONS);

    connect(cbLanguage, &QComboBox::editTextChanged, this,
            Guarded(dialogs_, [this](const QString& text) { cbLanguageChange(text); }));
    connect(buttonAdd, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonAddLangClick(); }));
}

QWidget* CfgLanguageTab::BuildNameGroup(const QString& title, const char* const* editNames,
                                        const char* const* englishNames, int count,
                                        QLineEdit** edits)
{
    auto* group = new QGroupBox(title, this);
    auto* form = new QFormLayout(group);
    for (int i = 0; i < count; ++i) {
        edits[i] = NamedEdit(editNames[i], group);
        edits[i]->setMaxLength(static_cast<int>(NameCapacity));
        edits[i]->setToolTip(englishNames[i]);
        edits[i]->setText(englishNames[i]);
        form->addRow(englishNames[i], edits[i]);
    }
    return group;
}

void CfgLanguageTab::FillLanguages()
{
    {
        QSignalBlocker quiet(cbLanguage);
        cbLanguage->clear();
        for (const std::string& name : context_.LanguageNames())
            AddLanguageItem(FromWindows1252(name));
        cbLanguage->setCurrentIndex(-1);
        cbLanguage->clearEditText();
    }
    const std::string& selected = context_.Settings.LANGUAGESELECTED;
    context_.LoadLanguage(selected);
    EditLanguage->setText(FromWindows1252(selected));
    FillNameEdits();
    namesChanged_();
}

// Every change of the list's text, chosen or typed, loads that language at once.
void CfgLanguageTab::cbLanguageChange(const QString& text)
{
    if (!text.isEmpty()) {
        context_.LoadLanguage(ToWindows1252(text));
        EditLanguage->setText(text);
        namesChanged_();
    }
    FillNameEdits();
}

// Writes the language file from the edits; the language is listed but not loaded.
void CfgLanguageTab::ButtonAddLangClick()
{
    std::string name = SettingText(EditLanguage->text(), 30);
    context_.AddLanguage(name, NamesFromEdits());
    AddLanguageItem(FromWindows1252(name));
}

void CfgLanguageTab::FillNameEdits()
{
    const Languages& language = context_.Language;
    for (int d = 1; d <= 7; ++d)
        dayEdits_[d - 1]->setText(FromWindows1252(language.DayNames[d]));
    for (int m = 1; m <= 12; ++m)
        monthEdits_[m - 1]->setText(FromWindows1252(language.MonthNames[m]));
}

LanguageNameSet CfgLanguageTab::NamesFromEdits() const
{
    LanguageNameSet names;
    for (int d = 1; d <= 7; ++d)
        names.Days[d] = SettingText(dayEdits_[d - 1]->text(), NameCapacity);
    for (int m = 1; m <= 12; ++m)
        names.Months[m] = SettingText(monthEdits_[m - 1]->text(), NameCapacity);
    return names;
}

void CfgLanguageTab::AddLanguageItem(const QString& name)
{
    QSignalBlocker quiet(cbLanguage);
    QString text = cbLanguage->currentText();
    bool noneChosen = cbLanguage->currentIndex() < 0;
    int at = 0;
    while (at < cbLanguage->count()
           && QString::compare(cbLanguage->itemText(at), name, Qt::CaseInsensitive) <= 0)
        ++at;
    cbLanguage->insertItem(at, name);
    // The first item of an empty list would become the chosen one.
    if (noneChosen)
        cbLanguage->setCurrentIndex(-1);
    if (cbLanguage->currentText() != text)
        cbLanguage->setEditText(text);
}

}  // namespace mondeliar::app
