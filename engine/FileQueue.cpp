#include "engine/FileQueue.h"

void FileQueue::Append(const QString& path, const QString& typeLabel) {
    beginInsertRows({}, Count(), Count());
    m_files.append({path, typeLabel});
    endInsertRows();
}

bool FileQueue::Remove(int row) {
    if (row < 0 || row >= Count() || (row == 0 && m_headLocked))
        return false;
    beginRemoveRows({}, row, row);
    m_files.removeAt(row);
    endRemoveRows();
    return true;
}

void FileQueue::LockHead(bool locked) {
    m_headLocked = locked;
    if (Count())
        emit dataChanged(index(0, 0), index(0, ColumnCount - 1), {Qt::ToolTipRole});
}

void FileQueue::RemoveHead() {
    m_headLocked = false;
    Remove(0);
}

int FileQueue::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int FileQueue::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileQueue::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::ToolTipRole && index.row() == 0 && m_headLocked)
        return QStringLiteral("正在转换");
    if (role != Qt::DisplayRole)
        return {};
    const Entry& entry = m_files.at(index.row());
    return index.column() == NameColumn ? entry.path : entry.typeLabel;
}

QVariant FileQueue::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == NameColumn ? QStringLiteral("文件名") : QStringLiteral("类型");
}
