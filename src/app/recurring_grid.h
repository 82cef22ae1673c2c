#pragma once
// The grid of recurring entries: cells edited in place, rows rearranged by dragging the grey
// handle column with the mouse.

#include <QTableView>

namespace mondeliar::app {

class RecurringModel;

class RecurringGrid : public QTableView {
public:
    explicit RecurringGrid(RecurringModel* model, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The row under a point of the viewport; above or below the rows, the first or last.
    int RowAt(const QPoint& point) const;
    void ScrollWhileDragging(const QPoint& point);

    RecurringModel* model_;
    int draggedRow_ = -1;
};

}  // namespace mondeliar::app
