#pragma once
// The recurring list as a table: a grey handle column, then month, day and description.
// The list itself is the data; an edit changes it at once, with each double quote stored as
// "&quot;" so that it cannot cut a field of the file.

#include <QAbstractTableModel>

namespace mondeliar {
class RecurringList;
}

namespace mondeliar::app {

class RecurringModel : public QAbstractTableModel {
public:
    enum Column { Handle, Month, Day, Description, ColumnCount };

    RecurringModel(RecurringList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Moves row `from` to position `to` (table rows, from 0), the rows between shifting.
    void MoveRow(int from, int to);
    // The list was replaced behind the table (loaded from its file).
    void Reload();

private:
    RecurringList& list_;
};

}  // namespace mondeliar::app
