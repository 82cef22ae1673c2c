#include "app/cfg_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace mondeliar::app {

QLineEdit* NamedEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* NamedButton(const char* name, const QString& text, QWidget* parent,
                         const QString& hint)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QToolButton* NamedChooserButton(const char* name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText("...");
    return button;
}

void UseCompactRows(QTableView* grid)
{
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
}

QCheckBox* NamedCheck(const char* name, const QString& text, QWidget* parent, const QString& hint)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setToolTip(hint);
    return box;
}

QComboBox* NamedCombo(const char* name, const QStringList& items, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    return combo;
}

QLabel* AddLabelled(QBoxLayout* layout, const QString& label, QWidget* control)
{
    auto* text = new QLabel(label, control->parentWidget());
    text->setBuddy(control);
    layout->addWidget(text);
    layout->addWidget(control);
    return text;
}

void AddLabelledWithButton(QBoxLayout* layout, const QString& label, QWidget* control,
                           QAbstractButton* button)
{
    auto* text = new QLabel(label, control->parentWidget());
    text->setBuddy(control);
    layout->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addWidget(control, 1);
    row->addWidget(button);
    layout->addLayout(row);
}

}  // namespace mondeliar::app
