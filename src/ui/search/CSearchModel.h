#pragma once
// The rows of the search window: the entries the search found, best first, each one line with its
// kind's icon. The rows are copies (their texts shared), so the index may change meanwhile.
#include "core/SearchIndex.h"

#include <QAbstractListModel>
#include <QIcon>

#include <array>
#include <vector>

class CSearchModel : public QAbstractListModel {
public:
    explicit CSearchModel(QObject* parent = nullptr);

    void SetEntries(const std::vector<const search::Entry*>& entries);
    const search::Entry* EntryAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // How an entry reads in the list: its name, then what describes it, on one line.
    static QString RowText(const search::Entry& entry);

private:
    std::vector<search::Entry> m_entries;
    std::array<QIcon, search::kKindCount> m_icons;
};
