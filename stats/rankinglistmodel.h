#pragma once

#include "stats/ranking.h"

#include <QAbstractListModel>

// The entries of a ranking as a list model: the display text of a row is its entry as a comma list
// (RankedSubject::entry), its accessible text the sentence a screen reader speaks of it; both are
// made when a view asks for them, so that a ranking of millions of subjects costs the view no item
// per row.
class RankingListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit RankingListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QList<RankedSubject>& entries() const { return entries_; }
    // Shows these entries; when they are the entries shown already, nothing changes for the
    // views (they keep their selection).
    void setEntries(const QList<RankedSubject>& entries);

private:
    QList<RankedSubject> entries_;
};
