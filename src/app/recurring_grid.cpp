#include "app/recurring_grid.h"

#include "app/cfg_widgets.h"
#include "app/live_edit_delegate.h"
#include "app/recurring_model.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace mondeliar::app {

RecurringGrid::RecurringGrid(RecurringModel* model, QWidget* parent)
    : QTableView(parent), model_(model)
{
    setModel(model);
    setItemDelegate(new LiveEditDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->hide();
    QHeaderView* header = horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionResizeMode(RecurringModel::Handle, QHeaderView::Fixed);
    UseCompactRows(this);
    // Month and day cells hold a number or two; their columns are as wide as the headings.
    setColumnWidth(RecurringModel::Handle, 18);
    for (int column : {RecurringModel::Month, RecurringModel::Day}) {
        QString heading = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        setColumnWidth(column, std::max(40, header->fontMetrics().horizontalAdvance(heading) + 16));
    }
    setMouseTracking(true);
}

int RecurringGrid::RowAt(const QPoint& point) const
{
    int row = rowAt(point.y());
    if (row >= 0)
        return row;
    return point.y() < 0 ? rowAt(0) : model_->rowCount() - 1;
}

void RecurringGrid::ScrollWhileDragging(const QPoint& point)
{
    int margin = verticalHeader()->defaultSectionSize();
    QScrollBar* bar = verticalScrollBar();
    if (point.y() < margin)
        bar->setValue(bar->value() - 1);
    else if (point.y() > viewport()->height() - margin)
        bar->setValue(bar->value() + 1);
}

void RecurringGrid::mousePressEvent(QMouseEvent* event)
{
    QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && columnAt(point.x()) == RecurringModel::Handle
        && rowAt(point.y()) >= 0) {
        draggedRow_ = rowAt(point.y());
        selectRow(draggedRow_);
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    QTableView::mousePressEvent(event);
}

void RecurringGrid::mouseMoveEvent(QMouseEvent* event)
{
    QPoint point = event->position().toPoint();
    if (draggedRow_ < 0) {
        bool overHandle = columnAt(point.x()) == RecurringModel::Handle;
        viewport()->setCursor(overHandle ? Qt::OpenHandCursor : Qt::ArrowCursor);
        QTableView::mouseMoveEvent(event);
        return;
    }
    ScrollWhileDragging(point);
    selectRow(RowAt(point));
}

void RecurringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (draggedRow_ < 0 || event->button() != Qt::LeftButton) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    int target = RowAt(event->position().toPoint());
    model_->MoveRow(draggedRow_, target);
    draggedRow_ = -1;
    viewport()->setCursor(Qt::OpenHandCursor);
    selectRow(target);
}

}  // namespace mondeliar::app
