#pragma once

#include "overview/subjectoverview.h"

#include <QAbstractTableModel>

// The overview's table: one row per subject with its number of tests, class average, own
// average, own grade and the difference own − class. Sorting by any column orders by the
// figure, not by its text; a missing figure always comes last.
class OverviewTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Subject, Tests, ClassAverage, OwnAverage, OwnGrade, Difference, ColumnCount };
    // The figure a column sorts by (a double, an int or the subject's name); invalid when the
    // row has none.
    static constexpr int SortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<OverviewRow> rows);
    const QList<OverviewRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The captions of the columns, also used by the printed overview.
    static QString caption(Column column);
    // The text of a row's cell, as the table and the printed overview show it.
    static QString cellText(const OverviewRow& row, Column column);

private:
    QList<OverviewRow> rows_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
