#include "stats/rankinglistmodel.h"

#include "stats/spokentext.h"

#include <algorithm>

namespace {

bool sameEntry(const RankedSubject& a, const RankedSubject& b) {
    return a.averageText == b.averageText && a.shownAverage == b.shownAverage &&
           a.subject == b.subject && a.testCount == b.testCount;
}

} // namespace

RankingListModel::RankingListModel(QObject* parent) : QAbstractListModel(parent) {}

int RankingListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant RankingListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries_.size())
        return QVariant();
    const RankedSubject& entry = entries_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.entry();
    case Qt::AccessibleTextRole:
        return spokenRankingRow(entry, index.row() + 1);
    default:
        return QVariant();
    }
}

void RankingListModel::setEntries(const QList<RankedSubject>& entries) {
    if (entries.size() == entries_.size() &&
        std::equal(entries.cbegin(), entries.cend(), entries_.cbegin(), sameEntry)) {
        entries_ = entries;
        return;
    }
    beginResetModel();
    entries_ = entries;
    endResetModel();
}
