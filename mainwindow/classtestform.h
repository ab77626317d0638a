#pragma once

#include "gradedata/gradebook.h"
#include "gradedata/testform.h"

#include <QWidget>
#include <array>
#include <optional>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The entry form of one class test on the subjects page: grade level, number, date, lesson
// period, the six counts, the own grade or "nicht teilgenommen", the remark, and the buttons
// "Neu", "Ändern" and "Entfernen". It lies over the whole page, below the page's other
// controls, so that its controls keep their places on the page; it shows and reads the form,
// and the window decides what the buttons do.
class ClassTestForm : public QWidget {
    Q_OBJECT
public:
    explicit ClassTestForm(QWidget* page);

    // The form as the user left it.
    TestForm read() const;
    // Shows a test's form (loaded from the list).
    void show(const TestForm& form);
    // Shows what validation and cleaning made of the counts and the remark.
    void showCounts(const std::array<QString, 6>& counts);
    void showRemark(const QString& remark);
    // After loading a subject: counts, own-grade choices 1 .. 6, lesson period and remark
    // emptied ("nicht teilgenommen" keeps its state), the date set to today.
    void clear();
    // Grade level and number of the next test; both empty when there is no proposal.
    void propose(const std::optional<GradeBook::Proposal>& proposal);
    // "Ändern" and "Entfernen" act on the selected test.
    void setTestSelected(bool selected);
    // The test the form holds, to be stored in the book's current subject (as a new test, or
    // in place of the test of changedRow). Checks the form as "Neu" and "Ändern" do: fills
    // empty counts with 0, cleans the remark, and says in a message box why a faulty form or a
    // test that would overwrite another one cannot be stored (then nothing).
    std::optional<ClassTest> enteredTest(const GradeBook& book, int changedRow);
    // Fits the date field's font to the widest long date of the locale (see the .cpp).
    void fitDateFont();

    QPushButton* New;
    QPushButton* Change;
    QPushButton* Delete;
    QLabel* Label10;
    std::array<QRadioButton*, 6> gradeChoices; // EinsC .. SechsC
    QRadioButton* NotWritten;
    std::array<QLineEdit*, 6> countFields; // Eins .. Sechs
    QComboBox* ClassNumber;
    QComboBox* Number;
    QDateEdit* TestDate;
    QComboBox* Lesson;
    QLineEdit* Notes;

private:
    int ownGradeChoice() const;
    void clearOwnGradeChoices(bool includingNotWritten);

    QButtonGroup* ownGradeGroup;
};
