#pragma once

#include "overview/subjectoverview.h"

#include <QDialog>
#include <QWidget>

class OverviewTableModel;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;

// The chart of the overview as a widget.
class OverviewChartView : public QWidget {
    Q_OBJECT
public:
    explicit OverviewChartView(QWidget* parent = nullptr);
    void setRows(QList<OverviewRow> rows);
    const QList<OverviewRow>& rows() const { return rows_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<OverviewRow> rows_;
};

// "Übersicht": every subject with its number of tests, class average, own average, own grade
// and the difference, for all school years or one; sortable by any column; the chart of own
// and class averages below; and "Welche Note brauche ich?" for the subject selected.
class OverviewDialog : public QDialog {
    Q_OBJECT
public:
    // The subject given is selected first (when it has tests in the year shown). The dialog
    // opens on the school year of the latest test.
    OverviewDialog(SubjectOverview overview, const QString& subject, QWidget* parent = nullptr);

    // The school year shown.
    SchoolYear schoolYear() const;
    void setSchoolYear(SchoolYear year);
    // The subject selected in the table; empty when none is.
    QString selectedSubject() const;
    void selectSubject(const QString& subject);

    // The school year chosen in the selector.
    void ComboBox_SchoolYearChange();
    // Target, remaining tests or the selected subject changed: the needed grade again.
    void updateNeededGrade();

private:
    void buildForm();
    const OverviewRow* selectedRow() const;

    SubjectOverview overview_;
    OverviewTableModel* model_;

    QComboBox* ComboBox_SchoolYear;
    QTableView* TableView_Overview;
    OverviewChartView* Chart_Overview;
    QGroupBox* GroupBox_Needed;
    QLabel* Label_NeededSubject;
    QDoubleSpinBox* SpinEdit_Target;
    QSpinBox* SpinEdit_Remaining;
    QLabel* Label_Needed;
    QPushButton* Button_Close;
};
