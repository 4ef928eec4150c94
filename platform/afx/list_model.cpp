// The list control's model.
#include "list_model.h"

namespace afx::detail {

ListModel::ListModel(std::shared_ptr<ListStore> store, QObject* parent)
    : QAbstractTableModel(parent), m_store(std::move(store)) {}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return QVariant();
    if (role == Qt::DisplayRole) {
        std::string s = m_store->Text(index.row(), index.column());
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    }
    if (role == Qt::TextAlignmentRole) {
        int fmt = m_columns[static_cast<size_t>(index.column())].format & 3;
        Qt::Alignment a = fmt == 1 ? Qt::AlignRight : fmt == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
        return QVariant::fromValue(a | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(m_columns.size()))
        return QVariant();
    if (role == Qt::DisplayRole) return m_columns[static_cast<size_t>(section)].title;
    return QVariant();
}

void ListModel::InsertColumn(int nCol, const Column& c) {
    int n = static_cast<int>(m_columns.size());
    if (nCol > n || nCol < 0) nCol = n;
    beginInsertColumns(QModelIndex(), nCol, nCol);
    m_columns.insert(m_columns.begin() + nCol, c);
    endInsertColumns();
}

void ListModel::Publish() {
    ListStore::Changes ch = m_store->TakeChanges();
    if (ch.structural || ch.count < m_rows) {
        beginResetModel();
        m_rows = ch.count;
        endResetModel();
        return;
    }
    if (ch.count > m_rows) {
        int old = m_rows;
        beginInsertRows(QModelIndex(), old, ch.count - 1);
        m_rows = ch.count;
        endInsertRows();
    }
    if (ch.cells && m_rows > 0 && !m_columns.empty())
        emit dataChanged(index(0, 0), index(m_rows - 1, static_cast<int>(m_columns.size()) - 1));
}

}  // namespace afx::detail
