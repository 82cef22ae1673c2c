#include "app/recurring_model.h"

#include "app/text_convert.h"
#include "config/recurring_list.h"

#include <QBrush>
#include <QColor>

namespace mondeliar::app {

namespace {

const char* const HandleHint = "Drag grey column on left to rearrange entries";

}  // namespace

RecurringModel::RecurringModel(RecurringList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list)
{
}

int RecurringModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RecurringRows;
}

int RecurringModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecurringModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.column() == Handle) {
        if (role == Qt::BackgroundRole)
            return QBrush(QColor(Qt::lightGray));
        if (role == Qt::ToolTipRole)
            return QString(HandleHint);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const RecurringEntry& entry = list_.Row(index.row() + 1);
    switch (index.column()) {
    case Month:
        return FromWindows1252(entry.Month);
    case Day:
        return FromWindows1252(entry.Day);
    default:
        return FromWindows1252(entry.Description);
    }
}

QVariant RecurringModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::ToolTipRole && section == Handle)
        return QString(HandleHint);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Month:
        return QString("Month");
    case Day:
        return QString("Day");
    case Description:
        return QString("Description");
    default:
        return QString();
    }
}

Qt::ItemFlags RecurringModel::flags(const QModelIndex& index) const
{
    if (index.column() == Handle)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool RecurringModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() == Handle)
        return false;
    int row = index.row() + 1;
    RecurringEntry entry = list_.Row(row);
    std::string text = ToWindows1252(value.toString());
    if (index.column() == Month)
        entry.Month = text;
    else if (index.column() == Day)
        entry.Day = text;
    else
        entry.Description = text;
    list_.SetRow(row, entry.Month, entry.Day, entry.Description);
    emit dataChanged(this->index(index.row(), Month), this->index(index.row(), Description));
    return true;
}

void RecurringModel::MoveRow(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= RecurringRows || to >= RecurringRows)
        return;
    // beginMoveRows names the row before which the moved row lands.
    if (!beginMoveRows({}, from, from, {}, to > from ? to + 1 : to))
        return;
    list_.MoveRow(from + 1, to + 1);
    endMoveRows();
}

void RecurringModel::Reload()
{
    beginResetModel();
    endResetModel();
}

}  // namespace mondeliar::app
