#pragma once

#include "gradedata/classtest.h"

#include <QAbstractListModel>
#include <QList>
#include <functional>

// The class tests of one subject in list order, as a list model: the display text of a row is
// its test list item ("2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\""), the TestRole its
// ClassTest, the accessible text (what a screen reader speaks) the sentence that setSpokenText
// makes of the test. Rows are kept sorted by their items; the model is changed only through
// the grade book, which writes every change to the data file first.
class TestListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { TestRole = Qt::UserRole + 1 };

    explicit TestListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Makes the accessible text of each row; without it a row has none.
    void setSpokenText(std::function<QString(const ClassTest&)> spokenText) {
        spokenText_ = std::move(spokenText);
    }

    int count() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.isEmpty(); }
    const ClassTest& test(int row) const { return rows_.at(row).test; }
    const QString& item(int row) const { return rows_.at(row).item; }
    const QList<TestRow>& rows() const { return rows_; }
    // The tests in list order.
    QList<ClassTest> tests() const;
    // The list items in list order.
    QStringList items() const;
    // Row of the first test whose item equals item; -1 when there is none.
    int rowOfItem(const QString& item) const;

    // Replaces every row; rows must be in list order.
    void reset(QList<TestRow> rows);
    // Puts the test at its sorted place (after equal items) and returns its row.
    int insert(const ClassTest& test);
    // Replaces the test of row by test, which takes its sorted place; returns its new row.
    int replace(int row, const ClassTest& test);
    void remove(int row);

private:
    int sortedPlace(const TestRow& row) const;

    QList<TestRow> rows_;
    std::function<QString(const ClassTest&)> spokenText_;
};

Q_DECLARE_METATYPE(ClassTest)
