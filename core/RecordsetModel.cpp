#include "core/RecordsetModel.h"

#include "core/DateText.h"
#include "core/db/Recordset.h"

#include <QDate>

RecordsetModel::RecordsetModel(QObject *parent) : QAbstractTableModel(parent) {}

void RecordsetModel::setRecordset(db::Recordset *recordset)
{
    beginResetModel();
    m_rs = recordset;
    endResetModel();
}

void RecordsetModel::reset()
{
    beginResetModel();
    endResetModel();
}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return (parent.isValid() || !m_rs || !m_rs->isOpen()) ? 0 : m_rs->recordCount();
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    return (parent.isValid() || !m_rs || !m_rs->isOpen()) ? 0 : m_rs->fieldCount();
}

QString RecordsetModel::displayText(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return DateText::toText(value.toDate());
    return value.toString();
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!m_rs || !index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return displayText(m_rs->valueAt(index.row(), index.column()));
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_rs)
        return {};
    if (orientation == Qt::Horizontal)
        return m_rs->fieldName(section);
    return section + 1;
}
