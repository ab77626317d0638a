#include "overview/overviewtablemodel.h"

#include "platform/localeformats.h"

#include <algorithm>

namespace {

QVariant figure(const std::optional<long double>& value) {
    return value ? QVariant(double(*value)) : QVariant();
}

QVariant sortValue(const OverviewRow& row, int column) {
    switch (column) {
    case OverviewTableModel::Subject:
        return row.subject;
    case OverviewTableModel::Tests:
        return row.testCount;
    case OverviewTableModel::ClassAverage:
        return figure(row.classAverage);
    case OverviewTableModel::OwnAverage:
        return figure(row.ownAverage);
    case OverviewTableModel::OwnGrade:
        return row.ownGrade > 0 ? QVariant(row.ownGrade) : QVariant();
    case OverviewTableModel::Difference:
        return figure(row.difference);
    }
    return {};
}

} // namespace

void OverviewTableModel::setRows(QList<OverviewRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    if (sortColumn_ >= 0)
        sort(sortColumn_, sortOrder_);
}

int OverviewTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int OverviewTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString OverviewTableModel::caption(Column column) {
    switch (column) {
    case Subject:
        return QStringLiteral("Fach");
    case Tests:
        return QStringLiteral("Arbeiten");
    case ClassAverage:
        return QStringLiteral("Klassenschnitt");
    case OwnAverage:
        return QStringLiteral("Eigener Schnitt");
    case OwnGrade:
        return QStringLiteral("Eigene Note");
    case Difference:
        return QStringLiteral("Differenz");
    case ColumnCount:
        break;
    }
    return {};
}

QString OverviewTableModel::cellText(const OverviewRow& row, Column column) {
    switch (column) {
    case Subject:
        return row.subject;
    case Tests:
        return QString::number(row.testCount);
    case ClassAverage:
        return overviewAverageText(row.classAverage);
    case OwnAverage:
        return overviewAverageText(row.ownAverage);
    case OwnGrade:
        return overviewGradeText(row.ownGrade);
    case Difference:
        return overviewDifferenceText(row.difference);
    case ColumnCount:
        break;
    }
    return {};
}

QVariant OverviewTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const OverviewRow& row = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(row, Column(index.column()));
    case Qt::TextAlignmentRole:
        return index.column() == Subject ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                         : int(Qt::AlignRight | Qt::AlignVCenter);
    case SortRole:
        return sortValue(row, index.column());
    default:
        return {};
    }
}

QVariant OverviewTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return caption(Column(section));
    return QAbstractTableModel::headerData(section, orientation, role);
}

void OverviewTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    sortColumn_ = column;
    sortOrder_ = order;
    const auto less = [&](const OverviewRow& a, const OverviewRow& b) {
        const QVariant va = sortValue(a, column), vb = sortValue(b, column);
        // Rows without the figure stay at the end in either order.
        if (!va.isValid() || !vb.isValid())
            return va.isValid() && !vb.isValid();
        bool before = false, after = false;
        if (column == Subject) {
            const int c = LocaleFormats::current().compare(va.toString(), vb.toString());
            before = c < 0;
            after = c > 0;
        } else if (column == OwnGrade && va == vb) {
            // The same grade: the better own average first.
            before = *a.ownAverage < *b.ownAverage;
            after = *a.ownAverage > *b.ownAverage;
        } else {
            before = va.toDouble() < vb.toDouble();
            after = va.toDouble() > vb.toDouble();
        }
        return order == Qt::AscendingOrder ? before : after;
    };
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection follows its subjects to their new rows.
    const QModelIndexList before = persistentIndexList();
    QStringList subjects;
    for (const QModelIndex& index : before)
        subjects.append(rows_.value(index.row()).subject);
    std::stable_sort(rows_.begin(), rows_.end(), less);
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i) {
        const auto found = std::find_if(rows_.cbegin(), rows_.cend(), [&](const OverviewRow& row) {
            return row.subject == subjects.at(i);
        });
        after.append(found == rows_.cend()
                         ? QModelIndex()
                         : index(int(found - rows_.cbegin()), before.at(i).column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
