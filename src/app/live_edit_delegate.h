#pragma once
// In-place cell editing that hands every keystroke to the model, so the list behind a grid
// holds what the grid shows at any moment.

#include <QStyledItemDelegate>

namespace mondeliar::app {

class LiveEditDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // Leaves the editor alone while it shows what the model holds, so the cursor stays
    // where the user is typing.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
};

}  // namespace mondeliar::app
