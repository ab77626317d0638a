#pragma once

#include <QObject>

class QEvent;
class QListView;

// Lets a list of one line of plain text per row measure one row instead of every row, wherever
// that gives the pixels of rows measured one by one: when every row's text is drawn in the
// list's own face (so that all rows are of one height) and none is wider than the list can show
// (so that every row is as wide as the list). Looked at again whenever the rows, the list's size,
// its font or its style change. A list measured a part at a time with more rows than one part
// stays as it is.
class UniformRows : public QObject {
    Q_OBJECT
public:
    // Watches the list and its model (set before) for as long as the list lives.
    static void keep(QListView* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit UniformRows(QListView* list);
    // The room a row's text has in the list, whether or not its vertical scroll bar shows.
    int textRoom() const;
    void check();

    QListView* list_;
    bool layoutWhenShown_ = false;
};
