#include "gradedata/testlistmodel.h"

#include <algorithm>

TestListModel::TestListModel(QObject* parent) : QAbstractListModel(parent) {}

int TestListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant TestListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TestRow& row = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.item;
    case TestRole:
        return QVariant::fromValue(row.test);
    case Qt::AccessibleTextRole:
        return spokenText_ ? QVariant(spokenText_(row.test)) : QVariant();
    default:
        return {};
    }
}

QList<ClassTest> TestListModel::tests() const {
    QList<ClassTest> tests;
    tests.reserve(rows_.size());
    for (const TestRow& row : rows_)
        tests.append(row.test);
    return tests;
}

QStringList TestListModel::items() const {
    QStringList items;
    items.reserve(rows_.size());
    for (const TestRow& row : rows_)
        items.append(row.item);
    return items;
}

int TestListModel::rowOfItem(const QString& item) const {
    for (int row = 0; row < count(); ++row) {
        if (rows_.at(row).item == item)
            return row;
    }
    return -1;
}

void TestListModel::reset(QList<TestRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TestListModel::sortedPlace(const TestRow& row) const {
    // New tests are mostly the latest ones.
    if (rows_.isEmpty() || !testRowLess(row, rows_.back()))
        return count();
    return int(std::upper_bound(rows_.begin(), rows_.end(), row, testRowLess) - rows_.begin());
}

int TestListModel::insert(const ClassTest& test) {
    TestRow row = makeTestRow(test);
    const int place = sortedPlace(row);
    beginInsertRows(QModelIndex(), place, place);
    rows_.insert(place, std::move(row));
    endInsertRows();
    return place;
}

int TestListModel::replace(int row, const ClassTest& test) {
    TestRow changed = makeTestRow(test);
    // The place among the other rows, counted without the row itself.
    TestRow old = rows_.takeAt(row);
    const int place = sortedPlace(changed);
    rows_.insert(row, std::move(old));
    // The row moves there, so that a selection of it moves along.
    if (place != row) {
        beginMoveRows(QModelIndex(), row, row, QModelIndex(), place > row ? place + 1 : place);
        rows_.move(row, place);
        endMoveRows();
    }
    rows_[place] = std::move(changed);
    emit dataChanged(index(place), index(place));
    return place;
}

void TestListModel::remove(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    rows_.removeAt(row);
    endRemoveRows();
}
