// Internal: the model of a list control's view over its row store.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <vector>

#include "list_store.h"

namespace afx::detail {

class ListModel : public QAbstractTableModel {
public:
    ListModel(std::shared_ptr<ListStore> store, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    struct Column {
        QString title;
        int format = 0;
        int width = 0;
    };
    void InsertColumn(int nCol, const Column& c);
    // Brings the view up to the store with one signal for all changes since the last call.
    void Publish();

private:
    std::shared_ptr<ListStore> m_store;
    std::vector<Column> m_columns;
    int m_rows = 0;
};

}  // namespace afx::detail
