#include "mainwindow/subjectspage.h"

#include "gradedata/testlistmodel.h"
#include "mainwindow/classtestform.h"
#include "mainwindow/formparts.h"
#include "mainwindow/rowdelegate.h"
#include "stats/averagebarpainter.h"
#include "stats/drawstyle.h"
#include "stats/spokentext.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"
#include "widgets/buttonpictures.h"
#include "widgets/imagebutton.h"
#include "widgets/pictures.h"
#include "widgets/tvelaimage.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

using namespace Anchoring;
using namespace FormParts;

namespace {

// A plain area that the window paints, as the average bar is.
class PaintBox : public QWidget {
public:
    PaintBox(std::function<void()> paint, QWidget* parent)
        : QWidget(parent), paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override { paint_(); }

private:
    std::function<void()> paint_;
};

} // namespace

SubjectsPage::SubjectsPage(std::function<bool()> diagramLabels, QWidget* parent)
    : QWidget(parent), diagramLabels_(std::move(diagramLabels)) {
    setObjectName(QStringLiteral("SubjectsPage"));
    setDesignSize(this, PageDesignSize);

    // The form lies under everything else of the page.
    form = new ClassTestForm(this);

    // Column heads of the test list.
    Panel1 = named(new QFrame(this), QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(Panel1, {8, 8, 753, 41}, LeftTopRight);
    setDesignSize(Panel1, {753, 41});
    const QFont bold = boldened(font());
    auto head = [&](const QString& text, const QRect& rect, Anchors anchors = LeftTop) {
        QLabel* result = label(Panel1, text, rect, anchors);
        result->setFont(bold);
        return result;
    };
    head(QStringLiteral("Schuljahr"), {8, 8, 104, 14});
    head(QStringLiteral("Nummer"), {8, 24, 104, 14});
    head(QStringLiteral("Datum"), {120, 8, 72, 14});
    head(QStringLiteral("Schulstunde"), {120, 24, 74, 14});
    // The grade digits stand over the count columns of the rows, 35 pixels apart, whatever
    // the width of a blank in the font.
    QLabel* digits =
        head(QStringLiteral("1       2       3       4       5       6"), {208, 16, 194, 14});
    QFont digitFont = digits->font();
    const QFontMetricsF metrics(digitFont);
    const qreal step = metrics.horizontalAdvance(QStringLiteral("1       "));
    digitFont.setWordSpacing(35 - step); // added once to each run of blanks
    digits->setFont(digitFont);
    head(QStringLiteral("Teilnehmer"), {408, 16, 68, 14});
    head(QStringLiteral("Durchschnitt"), {480, 16, 76, 14});
    head(QStringLiteral("Diagramm"), {560, 16, 169, 14}, LeftTopRight)
        ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (int x : {116, 196, 404, 476, 556}) {
        auto* line = new QFrame(Panel1);
        line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
        place(line, {x - 1, 1, 2, 39});
    }

    Tests = named(new QListView(this), QStringLiteral("Tests"));
    Tests->setAccessibleName(QStringLiteral("Klassenarbeiten"));
    Tests->setItemDelegate(new OwnerDrawDelegate(
        RowHeight,
        [this](QPainter& p, int row, const QRect& rect, bool selected) {
            drawTest(p, row, rect, selected);
        },
        Tests));
    Tests->setUniformItemSizes(true);
    // A sunken edge two pixels wide, so that the rows start one pixel right of the average
    // bar under the list, whose columns are laid out for exactly that offset.
    Tests->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    Tests->setSelectionMode(QAbstractItemView::SingleSelection);
    Tests->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The status bar follows the pointer over the rows.
    Tests->setMouseTracking(true);
    Tests->viewport()->installEventFilter(this);
    // Qt paints every widget double-buffered, so redrawn rows do not flicker.
    place(Tests, {8, 49, 753, 228}, AllEdges);

    auto* averageFrame = named(new QFrame(this), QStringLiteral("AverageFrame"));
    averageFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(averageFrame, {8, 277, 753, 31}, LeftRightBottom);
    AveragePB = hinted(
        named(new PaintBox([this] { paintAverageBar(); }, this), QStringLiteral("AveragePB")),
        QStringLiteral("Zeigt den Durchschnitt aller Arbeiten des aktuell "
                       "ausgewählten Schulfaches."));
    place(AveragePB, {9, 278, 751, 29}, LeftRightBottom);

    // The print button: its normal picture, swapped for the others on hover and press.
    PrintBtn = named(new TVelaImage(this), QStringLiteral("PrintBtn"));
    PrintBtn->setCursor(Qt::PointingHandCursor);
    makeImageButton(PrintBtn, QStringLiteral("Drucken"));
    // They are drawn when first shown: the page is hidden at start.
    new ButtonPictures(PrintBtn, PrintButtonSize, [](ButtonPictures::State state) {
        constexpr std::array<PrintButtonLook, 3> looks = {
            PrintButtonLook::Normal, PrintButtonLook::Hover, PrintButtonLook::Pressed};
        return printButtonImage(looks[state]);
    });
    connect(PrintBtn, &TVelaImage::clicked, this, &SubjectsPage::printClicked);
    place(PrintBtn, {704, 320, 57, 193}, RightBottom);

    // Keyboard order of the entry form: from the list through the test's data, its counts and
    // the own grade to the buttons that store it.
    QWidget* previous = Tests;
    auto next = [&previous](QWidget* widget) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    for (QWidget* field :
         {static_cast<QWidget*>(form->ClassNumber), static_cast<QWidget*>(form->Number),
          static_cast<QWidget*>(form->TestDate), static_cast<QWidget*>(form->Lesson),
          static_cast<QWidget*>(form->Notes)})
        next(field);
    for (QLineEdit* field : form->countFields)
        next(field);
    for (QRadioButton* choice : form->gradeChoices)
        next(choice);
    next(form->NotWritten);
    next(form->New);
    next(form->Change);
    next(form->Delete);
    next(PrintBtn);
}

QItemSelectionModel* SubjectsPage::showTests(TestListModel* tests) {
    tests_ = tests;
    // Screen readers speak a row as a sentence, not as its test list item.
    if (tests)
        tests->setSpokenText(&spokenTestRow);
    // The view makes a selection model for each model and leaves the old one to its owner.
    QItemSelectionModel* old = Tests->selectionModel();
    Tests->setModel(tests);
    delete old;
    return Tests->selectionModel();
}

int SubjectsPage::selectedRow() const {
    const QModelIndexList rows = Tests->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SubjectsPage::selectRow(int row) {
    const QSignalBlocker blocker(Tests->selectionModel());
    Tests->setCurrentIndex(Tests->model()->index(row, 0));
    Tests->viewport()->update();
}

void SubjectsPage::scrollToLatest() {
    const int rows = Tests->model()->rowCount();
    if (rows > 0)
        Tests->scrollTo(Tests->model()->index(rows - 1, 0), QAbstractItemView::PositionAtTop);
}

void SubjectsPage::buildAverageBar() {
    const auto summary = tests_ ? subjectSummaryOf(tests_->rows()) : std::nullopt;
    DrawStyle style = listStyle(Tests, false, diagramLabels_());
    style.texts = &texts_;
    averageBar_ = AverageBarImage(std::max(1, Tests->width()), summary, style,
                                  AveragePB->devicePixelRatioF());
    AveragePB->setAccessibleName(spokenAverageBar(summary));
    AveragePB->update();
}

void SubjectsPage::paintAverageBar() {
    QPainter painter(AveragePB);
    painter.drawImage(0, 0, averageBar_);
}

void SubjectsPage::drawTest(QPainter& painter, int row, const QRect& rect, bool selected) {
    if (!tests_ || row >= tests_->count())
        return;
    DrawStyle style = listStyle(Tests, selected, diagramLabels_());
    style.texts = &texts_;
    paintTestRow(painter, rect, tests_->test(row), style);
}

void SubjectsPage::showHintAt(const QPoint& position) {
    const QModelIndex index = Tests->indexAt(position);
    const QString hint = index.isValid() && tests_ ? tests_->test(index.row()).remark : QString();
    if (hint != Tests->statusTip()) {
        Tests->setStatusTip(hint);
        emit hintChanged(hint);
    }
}

bool SubjectsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Tests->viewport() && event->type() == QEvent::MouseMove) {
        showHintAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (watched == Tests->viewport() && event->type() == QEvent::Leave) {
        // The pointer left the rows: their remark goes from the status bar too.
        showHintAt(QPoint(-1, -1));
    }
    return QWidget::eventFilter(watched, event);
}
