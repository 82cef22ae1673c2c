#include "app/note_grid.h"

#include "app/field_text_edit.h"
#include "store/calendar_entry.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include <utility>
#include <vector>

namespace mondeliar::app {

namespace {

constexpr int NoteColumn = 0;
constexpr int UrlColumn = 1;
constexpr int GreyColumnWidth = 20;
constexpr int MinimumRowHeight = 18;

// Cells are edited in a line edit that refuses text longer than the record's field.
class FieldCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setValidator(new StoredLengthValidator(NoteCapacity, editor));
        return editor;
    }
};

}  // namespace

NoteGrid::NoteGrid(QWidget* parent) : QTableWidget(NoteRows, 2, parent)
{
    setHorizontalHeaderLabels({"Note", "URL for note"});
    setVerticalHeaderLabels(QStringList(NoteRows, QString()));
    setItemDelegate(new FieldCellDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(SingleSelection);
    setEditTriggers(DoubleClicked | SelectedClicked | EditKeyPressed | AnyKeyPressed);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(true);

    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);

    QHeaderView* greyColumn = verticalHeader();
    greyColumn->setSectionsMovable(true);
    greyColumn->setSectionResizeMode(QHeaderView::Stretch);
    greyColumn->setDefaultSectionSize(qMax(MinimumRowHeight, fontMetrics().height() + 4));
    greyColumn->setMinimumWidth(GreyColumnWidth);
    greyColumn->setHighlightSections(false);
    connect(greyColumn, &QHeaderView::sectionMoved, this,
            [this](int, int oldVisual, int newVisual) { MoveDraggedRow(oldVisual, newVisual); });

    for (int row = 0; row < NoteRows; ++row)
        for (int column = NoteColumn; column <= UrlColumn; ++column)
            setItem(row, column, new QTableWidgetItem);
    FitHeightToRows();
}

QString NoteGrid::Note(int row) const
{
    return CellText(row - 1, NoteColumn);
}

QString NoteGrid::NoteUrl(int row) const
{
    return CellText(row - 1, UrlColumn);
}

void NoteGrid::SetRow(int row, const QString& note, const QString& url)
{
    item(row - 1, NoteColumn)->setText(note);
    item(row - 1, UrlColumn)->setText(url);
}

void NoteGrid::CommitOpenEditor()
{
    QWidget* editor = indexWidget(currentIndex());
    if (state() != EditingState || !editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool NoteGrid::AtEdge(bool next) const
{
    QModelIndex cell = currentIndex();
    if (!cell.isValid())
        return true;
    return next ? cell.row() == NoteRows - 1 && cell.column() == UrlColumn
                : cell.row() == 0 && cell.column() == NoteColumn;
}

bool NoteGrid::focusNextPrevChild(bool next)
{
    if (AtEdge(next))
        return QWidget::focusNextPrevChild(next);
    return QTableWidget::focusNextPrevChild(next);
}

void NoteGrid::keyPressEvent(QKeyEvent* event)
{
    bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!back);
        return;
    }
    QTableWidget::keyPressEvent(event);
}

// Tab in a cell's editor ends the edit and moves on: past the last cell, out of the grid.
void NoteGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    bool next = hint == QAbstractItemDelegate::EditNextItem;
    bool leaving = (next || hint == QAbstractItemDelegate::EditPreviousItem) && AtEdge(next);
    QTableWidget::closeEditor(editor, leaving ? QAbstractItemDelegate::NoHint : hint);
    if (leaving)
        QWidget::focusNextPrevChild(next);
}

QString NoteGrid::CellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

// The header moved only its own section; the rows' contents follow it and the header is
// put back in order, so the screen order is the order of the rows.
void NoteGrid::MoveDraggedRow(int oldVisual, int newVisual)
{
    QHeaderView* greyColumn = verticalHeader();
    {
        QSignalBlocker quiet(greyColumn);
        greyColumn->moveSection(newVisual, oldVisual);
    }
    CommitOpenEditor();
    std::vector<std::pair<QString, QString>> rows;
    for (int row = 0; row < NoteRows; ++row)
        rows.emplace_back(CellText(row, NoteColumn), CellText(row, UrlColumn));
    auto moved = rows[static_cast<std::size_t>(oldVisual)];
    rows.erase(rows.begin() + oldVisual);
    rows.insert(rows.begin() + newVisual, moved);
    for (int row = 0; row < NoteRows; ++row)
        SetRow(row + 1, rows[static_cast<std::size_t>(row)].first,
               rows[static_cast<std::size_t>(row)].second);
    setCurrentCell(newVisual, currentColumn() < 0 ? NoteColumn : currentColumn());
}

// No scroll bars: the grid is at least as high as its heading and ten rows, and its rows
// share whatever height the editor gives it.
void NoteGrid::FitHeightToRows()
{
    int rows = verticalHeader()->defaultSectionSize() * NoteRows;
    setMinimumHeight(horizontalHeader()->sizeHint().height() + rows + 2 * frameWidth());
}

}  // namespace mondeliar::app
