#pragma once
// Small builders for the configuration dialog's tabs: controls named as the program names
// them (tests and the help find them by these names), labels above or beside them.

#include <QString>
#include <QStringList>

class QAbstractButton;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace mondeliar::app {

QLineEdit* NamedEdit(const char* name, QWidget* parent);
QPushButton* NamedButton(const char* name, const QString& text, QWidget* parent,
                         const QString& hint = {});
// The small "..." button beside an edit that opens a chooser.
QToolButton* NamedChooserButton(const char* name, QWidget* parent);
// Rows as high as one line of text, as a grid of single-line cells needs.
void UseCompactRows(QTableView* grid);
QCheckBox* NamedCheck(const char* name, const QString& text, QWidget* parent,
                      const QString& hint = {});
// An editable drop-down that never adds what is typed to its items.
QComboBox* NamedCombo(const char* name, const QStringList& items, QWidget* parent);

// A label above `control`, both added to `layout`; the label's buddy is the control.
QLabel* AddLabelled(QBoxLayout* layout, const QString& label, QWidget* control);
// A label above an edit and a "..." button beside it.
void AddLabelledWithButton(QBoxLayout* layout, const QString& label, QWidget* control,
                           QAbstractButton* button);

}  // namespace mondeliar::app
