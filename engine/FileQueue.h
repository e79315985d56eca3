#pragma once

#include <QAbstractTableModel>
#include <QStringList>

// The files waiting to be converted, in order, each with the type the list shows beside its name. The queue's
// list shows it; a batch takes its files from the head and removes each once it is done with it. Files may
// be queued and removed while a batch runs, except the head while it converts.
class FileQueue : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { NameColumn, TypeColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Queues `path` at the tail; `typeLabel` is what the list shows as its type.
    void Append(const QString& path, const QString& typeLabel);
    // False when there is no such row, or it is the head while it converts.
    bool Remove(int row);

    int Count() const { return int(m_files.size()); }
    QString Head() const { return m_files.isEmpty() ? QString() : m_files.first().path; }
    QString Path(int row) const { return m_files.value(row).path; }
    // The batch's own: the head converts from LockHead(true) until the batch removes it or unlocks it.
    void LockHead(bool locked);
    bool HeadLocked() const { return m_headLocked; }
    void RemoveHead();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    struct Entry {
        QString path;
        QString typeLabel;
    };
    QList<Entry> m_files;
    bool m_headLocked = false;
};
