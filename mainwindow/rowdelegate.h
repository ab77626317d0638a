#pragma once

#include <QStyledItemDelegate>

// Rows of one fixed height for the owner-drawn lists (test list, ranking). The rows show the
// item text until the row painters of the statistics draw them.
class FixedRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    FixedRowDelegate(int rowHeight, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), rowHeight_};
    }

private:
    int rowHeight_;
};
