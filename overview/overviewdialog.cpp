#include "overview/overviewdialog.h"

#include "overview/neededgrade.h"
#include "overview/overviewchart.h"
#include "overview/overviewtablemodel.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace {

template <typename T> T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

OverviewChartView::OverviewChartView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(480, 220);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Eigener Schnitt und Klassenschnitt je Fach"));
}

void OverviewChartView::setRows(QList<OverviewRow> rows) {
    rows_ = std::move(rows);
    setAccessibleDescription(overviewChartSpokenText(rows_));
    update();
}

void OverviewChartView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    drawOverviewChart(p, rect().adjusted(8, 6, -8, -4), rows_, font(), 1);
}

OverviewDialog::OverviewDialog(SubjectOverview overview, const QString& subject, QWidget* parent)
    : QDialog(parent), overview_(std::move(overview)) {
    buildForm();
    const QList<int> years = overview_.schoolYears();
    ComboBox_SchoolYear->addItem(schoolYearText(std::nullopt), QVariant());
    for (int year : years)
        ComboBox_SchoolYear->addItem(schoolYearText(year), year);
    // The latest school year first: the one a family looks at.
    ComboBox_SchoolYear->setCurrentIndex(int(years.size()));
    ComboBox_SchoolYearChange();
    selectSubject(subject);
    connect(ComboBox_SchoolYear, &QComboBox::currentIndexChanged, this,
            &OverviewDialog::ComboBox_SchoolYearChange);
}

void OverviewDialog::buildForm() {
    setObjectName(QStringLiteral("OverviewDialog"));
    setWindowTitle(QStringLiteral("Übersicht"));
    resize(720, 640);

    auto* yearLabel = new QLabel(QStringLiteral("&Schuljahr:"), this);
    ComboBox_SchoolYear = named(new QComboBox(this), QStringLiteral("ComboBox_SchoolYear"));
    yearLabel->setBuddy(ComboBox_SchoolYear);
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(yearLabel);
    yearRow->addWidget(ComboBox_SchoolYear);
    yearRow->addStretch();

    model_ = new OverviewTableModel(this);
    TableView_Overview = named(new QTableView(this), QStringLiteral("TableView_Overview"));
    TableView_Overview->setModel(model_);
    TableView_Overview->setAccessibleName(windowTitle());
    // Unsorted at first: the subjects in their usual order.
    TableView_Overview->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    TableView_Overview->horizontalHeader()->setSortIndicatorShown(true);
    TableView_Overview->setSortingEnabled(true);
    TableView_Overview->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TableView_Overview->horizontalHeader()->setSectionResizeMode(OverviewTableModel::Subject,
                                                                 QHeaderView::Stretch);
    TableView_Overview->verticalHeader()->hide();
    TableView_Overview->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableView_Overview->setSelectionMode(QAbstractItemView::SingleSelection);
    TableView_Overview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableView_Overview->setAlternatingRowColors(true);

    Chart_Overview = named(new OverviewChartView(this), QStringLiteral("Chart_Overview"));

    GroupBox_Needed = named(new QGroupBox(QStringLiteral("Welche Note brauche ich?"), this),
                            QStringLiteral("GroupBox_Needed"));
    Label_NeededSubject = named(new QLabel(GroupBox_Needed), QStringLiteral("Label_NeededSubject"));
    Label_NeededSubject->setTextFormat(Qt::PlainText);
    SpinEdit_Target = named(new QDoubleSpinBox(GroupBox_Needed), QStringLiteral("SpinEdit_Target"));
    SpinEdit_Target->setLocale(LocaleFormats::current().locale());
    SpinEdit_Target->setDecimals(1);
    SpinEdit_Target->setRange(1.0, 6.0);
    SpinEdit_Target->setSingleStep(0.1);
    SpinEdit_Target->setValue(2.5);
    SpinEdit_Remaining = named(new QSpinBox(GroupBox_Needed), QStringLiteral("SpinEdit_Remaining"));
    SpinEdit_Remaining->setRange(1, 99);
    SpinEdit_Remaining->setValue(1);
    Label_Needed = named(new QLabel(GroupBox_Needed), QStringLiteral("Label_Needed"));
    Label_Needed->setTextFormat(Qt::PlainText);
    Label_Needed->setWordWrap(true);
    auto* form = new QFormLayout(GroupBox_Needed);
    form->addRow(QStringLiteral("Fach:"), Label_NeededSubject);
    form->addRow(QStringLiteral("&Zielschnitt:"), SpinEdit_Target);
    form->addRow(QStringLiteral("&Noch ausstehende Arbeiten:"), SpinEdit_Remaining);
    form->addRow(Label_Needed);

    Button_Close =
        named(new QPushButton(QStringLiteral("Schließen"), this), QStringLiteral("Button_Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(yearRow);
    layout->addWidget(TableView_Overview, 3);
    layout->addWidget(Chart_Overview, 3);
    layout->addWidget(GroupBox_Needed);
    layout->addLayout(buttons);

    auto* help = named(new QAction(QStringLiteral("Hilfe"), this), QStringLiteral("Hilfe"));
    help->setShortcut(Qt::Key_F1);
    addAction(help);
    connect(help, &QAction::triggered, this,
            [this] { Help::showTopic(this, QStringLiteral("Overview")); });
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::accept);
    connect(TableView_Overview->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &OverviewDialog::updateNeededGrade);
    connect(SpinEdit_Target, &QDoubleSpinBox::valueChanged, this,
            &OverviewDialog::updateNeededGrade);
    connect(SpinEdit_Remaining, &QSpinBox::valueChanged, this, &OverviewDialog::updateNeededGrade);
}

SchoolYear OverviewDialog::schoolYear() const {
    const QVariant year = ComboBox_SchoolYear->currentData();
    return year.isValid() ? SchoolYear(year.toInt()) : std::nullopt;
}

void OverviewDialog::setSchoolYear(SchoolYear year) {
    const int index = ComboBox_SchoolYear->findData(year ? QVariant(*year) : QVariant());
    if (index >= 0)
        ComboBox_SchoolYear->setCurrentIndex(index);
}

void OverviewDialog::ComboBox_SchoolYearChange() {
    const QString selected = selectedSubject();
    const QList<OverviewRow> rows = overview_.rows(schoolYear());
    model_->setRows(rows);
    Chart_Overview->setRows(rows);
    selectSubject(selected);
    updateNeededGrade();
}

QString OverviewDialog::selectedSubject() const {
    const OverviewRow* row = selectedRow();
    return row ? row->subject : QString();
}

void OverviewDialog::selectSubject(const QString& subject) {
    const QList<OverviewRow>& rows = model_->rows();
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).subject == subject) {
            TableView_Overview->selectRow(i);
            return;
        }
    }
    if (!rows.isEmpty() && !selectedRow())
        TableView_Overview->selectRow(0);
}

const OverviewRow* OverviewDialog::selectedRow() const {
    const QModelIndexList selected = TableView_Overview->selectionModel()->selectedRows();
    if (selected.isEmpty() || selected.first().row() >= model_->rows().size())
        return nullptr;
    return &model_->rows().at(selected.first().row());
}

void OverviewDialog::updateNeededGrade() {
    const OverviewRow* row = selectedRow();
    GroupBox_Needed->setEnabled(row != nullptr);
    if (!row) {
        Label_NeededSubject->clear();
        Label_Needed->setText(QStringLiteral("Wählen Sie oben ein Fach."));
        return;
    }
    Label_NeededSubject->setText(row->subject);
    const int target = int(std::lround(SpinEdit_Target->value() * 10));
    const int remaining = SpinEdit_Remaining->value();
    Label_Needed->setText(
        neededGradeText(neededGrade(row->ownGrades, target, remaining), target, remaining));
}
