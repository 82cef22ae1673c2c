#include "app/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace mondeliar::app {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this))
{
    auto* layout = new QGridLayout(this);
    int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_->addButton(button, i);
        // Items run down the first column, then down the next.
        layout->addWidget(button, i % rows, i / rows);
    }
}

int RadioGroup::Index() const
{
    return buttons_->checkedId();
}

void RadioGroup::SetIndex(int index)
{
    if (index >= 0 && index < Count()) {
        Button(index)->setChecked(true);
        return;
    }
    buttons_->setExclusive(false);
    for (QAbstractButton* button : buttons_->buttons())
        button->setChecked(false);
    buttons_->setExclusive(true);
}

int RadioGroup::Count() const
{
    return static_cast<int>(buttons_->buttons().size());
}

QRadioButton* RadioGroup::Button(int index) const
{
    return static_cast<QRadioButton*>(buttons_->button(index));
}

}  // namespace mondeliar::app
