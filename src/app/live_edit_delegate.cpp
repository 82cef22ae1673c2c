#include "app/live_edit_delegate.h"

#include <QLineEdit>

namespace mondeliar::app {

QWidget* LiveEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        auto* self = const_cast<LiveEditDelegate*>(this);
        connect(edit, &QLineEdit::textEdited, self, [self, edit] { emit self->commitData(edit); });
    }
    return editor;
}

void LiveEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit && edit->text() == index.data(Qt::EditRole).toString())
        return;
    QStyledItemDelegate::setEditorData(editor, index);
}

}  // namespace mondeliar::app
