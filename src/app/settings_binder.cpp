#include "app/settings_binder.h"

#include "app/radio_group.h"
#include "app/text_convert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <cctype>
#include <memory>
#include <optional>

namespace mondeliar::app {

namespace {

// True when `text` from `start` on is "&#", digits and ";", the form the conversion gives a
// character Windows-1252 lacks.
bool IsReferenceAt(const std::string& text, std::size_t start)
{
    if (text.compare(start, 2, "&#") != 0)
        return false;
    std::size_t at = start + 2;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        ++at;
    return at > start + 2 && at < text.size() && text[at] == ';';
}

}  // namespace

std::string SettingText(const QString& text, std::size_t capacity)
{
    std::string bytes = ToWindows1252(text);
    if (bytes.size() <= capacity)
        return bytes;
    std::size_t start = bytes.rfind("&#", capacity - 1);
    if (start != std::string::npos && IsReferenceAt(bytes, start)
        && bytes.find(';', start) >= capacity)
        capacity = start;
    return bytes.substr(0, capacity);
}

void SettingsBinder::Bind(QLineEdit* edit, TextField field, std::size_t capacity)
{
    edit->setMaxLength(static_cast<int>(capacity));
    bindings_.push_back(
        {[=](const CalendarSettings& s) { edit->setText(FromWindows1252(s.*field)); },
         [=](CalendarSettings& s) { s.*field = SettingText(edit->text(), capacity); }});
}

void SettingsBinder::BindKeepingUntouched(QLineEdit* edit, TextField field, std::size_t capacity)
{
    edit->setMaxLength(static_cast<int>(capacity));
    auto touched = std::make_shared<bool>(false);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [touched] { *touched = true; });
    bindings_.push_back({[=](const CalendarSettings& s) {
                             edit->setText(FromWindows1252(s.*field));
                             *touched = false;
                         },
                         [=](CalendarSettings& s) {
                             if (*touched)
                                 s.*field = SettingText(edit->text(), capacity);
                         }});
}

void SettingsBinder::Bind(QComboBox* combo, TextField field, std::size_t capacity)
{
    if (QLineEdit* edit = combo->lineEdit())
        edit->setMaxLength(static_cast<int>(capacity));
    bindings_.push_back(
        {[=](const CalendarSettings& s) { combo->setEditText(FromWindows1252(s.*field)); },
         [=](CalendarSettings& s) { s.*field = SettingText(combo->currentText(), capacity); }});
}

// A spinner left alone gives back the stored text, which may be empty, no number, or out of
// its range; once the user changes the number, the number is stored.
void SettingsBinder::Bind(QSpinBox* spinner, TextField field, std::size_t capacity)
{
    auto untouched = std::make_shared<std::optional<std::string>>();
    QObject::connect(spinner, &QSpinBox::valueChanged, spinner,
                     [untouched] { untouched->reset(); });
    bindings_.push_back({[=](const CalendarSettings& s) {
                             bool number = false;
                             int value = QString::fromStdString(s.*field).trimmed().toInt(&number);
                             spinner->setValue(number ? value : spinner->minimum());
                             *untouched = s.*field;
                         },
                         [=](CalendarSettings& s) {
                             s.*field
                                 = untouched->has_value()
                                       ? **untouched
                                       : SettingText(QString::number(spinner->value()), capacity);
                         }});
}

void SettingsBinder::Bind(QCheckBox* box, FlagField field)
{
    bindings_.push_back({[=](const CalendarSettings& s) { box->setChecked(s.*field); },
                         [=](CalendarSettings& s) { s.*field = box->isChecked(); }});
}

void SettingsBinder::Bind(RadioGroup* group, ByteField field)
{
    bindings_.push_back({[=](const CalendarSettings& s) { group->SetIndex(s.*field); },
                         [=](CalendarSettings& s) {
                             if (group->Index() >= 0)
                                 s.*field = static_cast<std::uint8_t>(group->Index());
                         }});
}

void SettingsBinder::Fill(const CalendarSettings& settings) const
{
    for (const Binding& binding : bindings_)
        binding.fill(settings);
}

void SettingsBinder::Store(CalendarSettings& settings) const
{
    for (const Binding& binding : bindings_)
        binding.store(settings);
}

}  // namespace mondeliar::app
