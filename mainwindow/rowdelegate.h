#pragma once

#include <QStyledItemDelegate>
#include <functional>

// Rows of one fixed height in an owner-drawn list. The window draws each row (index, rect,
// selected); the delegate then draws the focus frame around the row with the keyboard focus.
class OwnerDrawDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using DrawItem =
        std::function<void(QPainter& painter, int index, const QRect& rect, bool selected)>;

    OwnerDrawDelegate(int rowHeight, DrawItem drawItem, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), rowHeight_(rowHeight), drawItem_(std::move(drawItem)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
    DrawItem drawItem_;
};
