#pragma once

#include <QAbstractTableModel>

namespace db {
class Recordset;
}

// A grid's view of a recordset: the recordset's columns and rows, captions
// from its field names, dates in the short date form. Only the visible cells
// are formatted. Call reset() after the recordset was (re)opened.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsetModel(QObject *parent = nullptr);

    void setRecordset(db::Recordset *recordset);
    db::Recordset *recordset() const { return m_rs; }
    void reset();
    // Around a requery of the recordset: the view reads nothing in between.
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A cell as the grid shows it.
    static QString displayText(const QVariant &value);

private:
    db::Recordset *m_rs = nullptr;
};
