#pragma once

#include "stats/canvas.h"

#include <QImage>
#include <QWidget>
#include <functional>

class ClassTestForm;
class QFrame;
class QItemSelectionModel;
class QLabel;
class QListView;
class TestListModel;
class TVelaImage;

// Page "Subjects" of the main window: the column heads, the test list Tests, the average bar
// AveragePB under it, the entry form of one class test and the print button. It holds the
// controls at their designed places and draws the rows and the average bar of the tests it
// shows; the window connects the controls to its handlers.
class SubjectsPage : public QWidget {
    Q_OBJECT
public:
    // diagramLabels tells whether the bars carry their figures ("Diagramme beschriften").
    SubjectsPage(std::function<bool()> diagramLabels, QWidget* parent = nullptr);

    // Shows tests in the list (nullptr: none); returns the list's new selection model.
    QItemSelectionModel* showTests(TestListModel* tests);
    // The row of the selected test, -1 when none is selected.
    int selectedRow() const;
    // Makes row the current and selected one without reporting it as the user's selection.
    void selectRow(int row);
    // Scrolls the list towards its last row, as far as it goes.
    void scrollToLatest();

    // Draws the average bar image of the tests shown, as wide as the list, at the screen's
    // pixel ratio; AveragePB shows it from then on.
    void buildAverageBar();
    const QImage& averageBarImage() const { return averageBar_; }
    void paintAverageBar();
    void drawTest(QPainter& painter, int row, const QRect& rect, bool selected);
    // The status bar's hint for the pointer at position in the list: the test's remark.
    void showHintAt(const QPoint& position);

signals:
    // The hint of the list changed with the pointer.
    void hintChanged(const QString& hint);
    void printClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> diagramLabels_;
    TestListModel* tests_ = nullptr;
    QImage averageBar_;
    // The rows' and the bar's texts, laid out once.
    canvas::TextCache texts_;

public:
    QFrame* Panel1;
    QListView* Tests;
    QWidget* AveragePB;
    ClassTestForm* form;
    TVelaImage* PrintBtn; // a click opens the print dialog
};
