#pragma once

#include <QWidget>
#include <functional>

class ClassTestForm;
class QFrame;
class QLabel;
class QListView;

// Page "Subjects" of the main window: the column heads, the test list Tests, the average bar
// AveragePB under it, the entry form of one class test and the print button. It holds the
// controls at their designed places; the window connects them to its handlers.
class SubjectsPage : public QWidget {
    Q_OBJECT
public:
    // paintAverageBar paints AveragePB when it is asked to.
    SubjectsPage(std::function<void()> paintAverageBar, QWidget* parent = nullptr);

    QFrame* Panel1;
    QListView* Tests;
    QWidget* AveragePB;
    ClassTestForm* form;
    QLabel* PrintBtn; // a click opens the print dialog
};
