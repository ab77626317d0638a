#include "printing/tform2.h"

#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/helpviewer.h"
#include "platform/programfolder.h"
#include "printing/optionimages.h"
#include "printing/printjob.h"
#include "printing/printsource.h"
#include "printing/schoolyearreport.h"
#include "widgets/imagebutton.h"
#include "widgets/messagefont.h"
#include "widgets/pictures.h"
#include "widgets/tvelaimage.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

namespace {

// Node positions of the option tree; the leaves carry their option's state as image index.
enum Node {
    Trennlinien,
    Spalten,
    Zeilen,
    Sonstiges,
    FarbigeSpalten,
    FarbigesDiagramm,
    Diagramm,
    Diagrammbeschriftung,
    EigeneZensuren,
    NodeCount
};
constexpr int ImageIndexRole = Qt::UserRole;

// The option tree's rows share the tree's inner height among its nine nodes, so that every
// option shows without scrolling: at most the 16 pixels of a node's picture, at least a line of
// text. The style's own rows, two pixels higher than the picture, would show only seven and a
// half of the nine nodes in the tree's 137 pixels.
// Hot tracking: the node under the pointer shows its caption underlined in the link colour,
// which says that a click switches it; the style alone draws no mark there.
class OptionRowDelegate : public QStyledItemDelegate {
public:
    explicit OptionRowDelegate(QTreeWidget* tree) : QStyledItemDelegate(tree), tree_(tree) {}
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver) {
            option->font.setUnderline(true);
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Link));
        }
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int inner = tree_->height() - 2 * tree_->frameWidth();
        size.setHeight(std::max(std::min(int(OptionImages::Size), inner / NodeCount),
                                option.fontMetrics.height()));
        return size;
    }

private:
    QTreeWidget* tree_;
};

template <typename T> T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

void setImageIndex(QTreeWidgetItem* item, int index) {
    item->setData(0, ImageIndexRole, index);
    item->setIcon(0, OptionImages::icon(index));
}

int imageIndex(const QTreeWidgetItem* item) {
    return item->data(0, ImageIndexRole).toInt();
}

// The tree's nodes in node order (depth first).
QList<QTreeWidgetItem*> nodes(const QTreeWidget* tree) {
    QList<QTreeWidgetItem*> result;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree->topLevelItem(i);
        result.append(group);
        for (int j = 0; j < group->childCount(); ++j)
            result.append(group->child(j));
    }
    return result;
}

} // namespace

PreviewPaintBox::PreviewPaintBox(const QImage& bitmap, QWidget* parent)
    : QWidget(parent), bitmap_(bitmap) {}

void PreviewPaintBox::paintEvent(QPaintEvent*) {
    if (bitmap_.isNull())
        return;
    // The whole bitmap, scaled to the box's width, from (1, 1).
    const double scale = double(width()) / bitmap_.width();
    const int height = int(bitmap_.height() * scale);
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(1, 1), QPoint(width() - 1, height - 1)), bitmap_);
}

TForm2::TForm2(const PrintSource& source, QWidget* parent) : QDialog(parent), source_(source) {
    buildForm();
    // Every group node shows its options.
    TreeView_Settings->expandAll();
    PreviewBitmap =
        QImage(PrintLayout::PreviewWidth, PrintLayout::PreviewHeight, QImage::Format_RGB32);
    PreviewBitmap.fill(Qt::white);
}

TForm2::~TForm2() = default;

QPrinter& TForm2::printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TForm2::buildForm() {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Drucken"));
    setWindowIcon(printerIcon());
    // A fixed frame with only the system menu and the close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(designFont());
    setClientHeight(CollapsedHeight);

    GroupBox1 = named(new QGroupBox(QStringLiteral("Druckereinstellungen"), this),
                      QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 353, 81);
    Label_CurPrinter = named(new QLabel(GroupBox1), QStringLiteral("Label_CurPrinter"));
    Label_CurPrinter->setGeometry(16, 24, 321, 13);
    Label_CurPrinter->setTextFormat(Qt::PlainText);
    Label1 = named(new QLabel(QStringLiteral("E&xemplare:"), GroupBox1), QStringLiteral("Label1"));
    // At its place beside the spin box and as high as the box, with its text centred, so that
    // both texts stand on one line.
    Label1->adjustSize();
    Label1->setGeometry(16, 48, Label1->width(), 22);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SpinEdit_Copies = named(new QSpinBox(GroupBox1), QStringLiteral("SpinEdit_Copies"));
    SpinEdit_Copies->setGeometry(88, 48, 97, 22);
    SpinEdit_Copies->setRange(1, 1000);
    SpinEdit_Copies->setValue(1);
    Label1->setBuddy(SpinEdit_Copies);
    Button1 = named(new QPushButton(QStringLiteral("Einstellungen"), GroupBox1),
                    QStringLiteral("Button1"));
    Button1->setGeometry(264, 48, 75, 25);
    Button1->setAutoDefault(false);

    GroupBox2 = named(new QGroupBox(QStringLiteral("Layout"), this), QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 96, 353, 177);
    TreeView_Settings = named(new QTreeWidget(GroupBox2), QStringLiteral("TreeView_Settings"));
    TreeView_Settings->setGeometry(16, 24, 321, 137);
    TreeView_Settings->setHeaderHidden(true);
    // The tree is the group box's only control: a screen reader names it by the box's title.
    TreeView_Settings->setAccessibleName(GroupBox2->title());
    TreeView_Settings->setIndentation(19);
    TreeView_Settings->setIconSize(QSize(OptionImages::Size, OptionImages::Size));
    TreeView_Settings->setItemDelegate(new OptionRowDelegate(TreeView_Settings));
    TreeView_Settings->setUniformRowHeights(true);
    TreeView_Settings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView_Settings->setSelectionMode(QAbstractItemView::SingleSelection);
    // Hot tracking: the node under the pointer is marked (see OptionRowDelegate).
    TreeView_Settings->setMouseTracking(true);
    TreeView_Settings->setAttribute(Qt::WA_Hover);
    const auto group = [this](const QString& caption) {
        auto* item = new QTreeWidgetItem(TreeView_Settings, {caption});
        setImageIndex(item, OptionImages::Group);
        return item;
    };
    const auto leaf = [](QTreeWidgetItem* parent, const QString& caption, bool on) {
        auto* item = new QTreeWidgetItem(parent, {caption});
        setImageIndex(item, on ? OptionImages::On : OptionImages::Off);
    };
    QTreeWidgetItem* lines = group(QStringLiteral("Trennlinien"));
    leaf(lines, QStringLiteral("Spalten"), true);
    leaf(lines, QStringLiteral("Zeilen"), true);
    QTreeWidgetItem* other = group(QStringLiteral("Sonstiges"));
    leaf(other, QStringLiteral("Farbige Spalten"), false);
    leaf(other, QStringLiteral("Farbiges Diagramm"), false);
    leaf(other, QStringLiteral("Diagramm"), true);
    leaf(other, QStringLiteral("Diagrammbeschriftung"), true);
    leaf(other, QStringLiteral("Eigene Zensuren"), false);

    // What is printed, right of the buttons: the selected subject, or the report of all
    // subjects of a school year.
    GroupBox_Range =
        named(new QGroupBox(QStringLiteral("Umfang"), this), QStringLiteral("GroupBox_Range"));
    GroupBox_Range->setGeometry(456, 96, 337, 177);
    RadioButton_Subject =
        named(new QRadioButton(QStringLiteral("das ausgewählte Fach"), GroupBox_Range),
              QStringLiteral("RadioButton_Subject"));
    RadioButton_Subject->move(16, 24);
    RadioButton_Subject->adjustSize();
    RadioButton_Subject->setChecked(true);
    RadioButton_SchoolYear =
        named(new QRadioButton(QStringLiteral("alle Fächer des Schuljahres"), GroupBox_Range),
              QStringLiteral("RadioButton_SchoolYear"));
    RadioButton_SchoolYear->move(16, 48);
    RadioButton_SchoolYear->adjustSize();
    ComboBox_SchoolYear =
        named(new QComboBox(GroupBox_Range), QStringLiteral("ComboBox_SchoolYear"));
    ComboBox_SchoolYear->setGeometry(36, 72, 121, 22);
    ComboBox_SchoolYear->setEnabled(false);
    // A screen reader names the selector by the year chosen; the choice it belongs to says what
    // the year is for.
    ComboBox_SchoolYear->setAccessibleDescription(RadioButton_SchoolYear->text());

    Button_Cancel =
        named(new QPushButton(QStringLiteral("Schließen"), this), QStringLiteral("Button_Cancel"));
    Button_Cancel->setGeometry(368, 160, 75, 33);
    Button_Cancel->setAutoDefault(false);
    Button_Print =
        named(new QPushButton(QStringLiteral("Drucken"), this), QStringLiteral("Button_Print"));
    Button_Print->setGeometry(368, 200, 75, 33);
    Button_Print->setDefault(true);
    Button_Preview = named(new QPushButton(QStringLiteral("Vorschau >>"), this),
                           QStringLiteral("Button_Preview"));
    Button_Preview->setGeometry(368, 240, 75, 33);
    Button_Preview->setAutoDefault(false);

    // The logo; a click on it shows the about dialog.
    InfoP = named(new TVelaImage(this), QStringLiteral("InfoP"));
    InfoP->setGeometry(649, 9, 142, 63);
    InfoP->setPicture(logoBitmap());
    InfoP->setTransparent(true);
    InfoP->setCursor(Qt::PointingHandCursor);
    makeImageButton(InfoP, QStringLiteral("Info über Zensoria"));
    connect(InfoP, &TVelaImage::clicked, this, &TForm2::aboutRequested);

    GroupBox_Preview =
        named(new QGroupBox(QStringLiteral("Vorschau"), this), QStringLiteral("GroupBox_Preview"));
    GroupBox_Preview->setGeometry(8, 280, 785, 265);
    PaintBox_Preview = named(new PreviewPaintBox(PreviewBitmap, GroupBox_Preview),
                             QStringLiteral("PaintBox_Preview"));
    PaintBox_Preview->setGeometry(16, 24, 749, 225);

    Hilfe = named(new QAction(QStringLiteral("Hilfe"), this), QStringLiteral("Hilfe"));
    Hilfe->setShortcut(Qt::Key_F1);
    Hilfe->setShortcutContext(Qt::WindowShortcut);
    addAction(Hilfe);

    setTabOrder(Button1, SpinEdit_Copies);
    setTabOrder(SpinEdit_Copies, TreeView_Settings);
    setTabOrder(TreeView_Settings, Button_Cancel);
    setTabOrder(Button_Cancel, Button_Print);
    setTabOrder(Button_Print, Button_Preview);
    setTabOrder(Button_Preview, RadioButton_Subject);
    setTabOrder(RadioButton_Subject, RadioButton_SchoolYear);
    setTabOrder(RadioButton_SchoolYear, ComboBox_SchoolYear);

    connect(TreeView_Settings, &QTreeWidget::itemClicked, this,
            [this] { guarded([this] { TreeView_SettingsClick(); }); });
    connect(Button_Preview, &QPushButton::clicked, this, &TForm2::Button_PreviewClick);
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button_Print, &QPushButton::clicked, this,
            [this] { guarded([this] { Button_PrintClick(); }); });
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm2::reject);
    connect(RadioButton_SchoolYear, &QRadioButton::toggled, this, [this](bool on) {
        ComboBox_SchoolYear->setEnabled(on);
        guarded([this] { RenderPreview(); });
    });
    connect(ComboBox_SchoolYear, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { RenderPreview(); }); });
    connect(Hilfe, &QAction::triggered, this, &TForm2::HilfeExecute);
}

void TForm2::setClientHeight(int height) {
    setFixedSize(ClientWidth, height);
}

PrintLayoutOptions TForm2::layoutOptions() const {
    const QList<QTreeWidgetItem*> all = nodes(TreeView_Settings);
    const auto on = [&all](Node node) { return imageIndex(all.at(node)) == OptionImages::On; };
    PrintLayoutOptions options;
    options.ColumnLines = on(Spalten);
    options.RowLines = on(Zeilen);
    options.ColouredColumns = on(FarbigeSpalten);
    options.ColouredDiagram = on(FarbigesDiagramm);
    options.ShowDiagram = on(Diagramm);
    options.BarLabels = on(Diagrammbeschriftung);
    options.MarkOwnGrade = on(EigeneZensuren);
    return options;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the screen the dialog opens on.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    guarded([this] { FormShow(); });
}

void TForm2::FormShow() {
    showCurrentPrinter();
    SpinEdit_Copies->setValue(printer().copyCount());
    fillSchoolYears();
    RenderPreview();
}

void TForm2::fillSchoolYears() {
    const QVariant chosen = ComboBox_SchoolYear->currentData();
    const QSignalBlocker blocker(ComboBox_SchoolYear);
    ComboBox_SchoolYear->clear();
    // A damaged entry is said once; the subject's own printout stays possible.
    overview_ = SubjectOverview();
    try {
        overview_ = source_.allSubjects();
    } catch (const std::exception& error) {
        reportError(error);
    }
    const QList<int> years = overview_.schoolYears();
    for (int year : years)
        ComboBox_SchoolYear->addItem(schoolYearText(year), year);
    const int index = ComboBox_SchoolYear->findData(chosen);
    ComboBox_SchoolYear->setCurrentIndex(index >= 0 ? index : int(years.size()) - 1);
    RadioButton_SchoolYear->setEnabled(!years.isEmpty());
    if (years.isEmpty())
        RadioButton_Subject->setChecked(true);
}

bool TForm2::printsSchoolYear() const {
    return RadioButton_SchoolYear->isChecked() && ComboBox_SchoolYear->currentIndex() >= 0;
}

SchoolYear TForm2::chosenSchoolYear() const {
    const QVariant year = ComboBox_SchoolYear->currentData();
    return year.isValid() ? SchoolYear(year.toInt()) : std::nullopt;
}

void TForm2::showCurrentPrinter() {
    Label_CurPrinter->setText(QStringLiteral("Aktueller Drucker: ") +
                              printerDisplayName(printer()));
}

PrintTestAt TForm2::testAt() const {
    return [this](int index) { return source_.test(index); };
}

QString TForm2::printTitle() const {
    return PrintTitle(source_.dataFileName(), source_.subjectName());
}

void TForm2::RenderPreview() {
    // A damaged test ends the drawing; the preview shows what was drawn before it.
    const auto repaint = qScopeGuard([this] { PaintBox_Preview->update(); });
    if (!printsSchoolYear()) {
        drawPreviewPage(PreviewBitmap, printTitle(), source_.testCount(), layoutOptions(),
                        testAt());
        return;
    }
    // The report's first page, on the preview's width and height.
    using namespace PrintLayout;
    PreviewBitmap.fill(Qt::white);
    QPainter painter(&PreviewBitmap);
    const int H = PreviewHeight - PreviewOffset;
    const SchoolYearReport report(overview_, chosenSchoolYear(), source_.dataFileName(),
                                  Clock::today());
    // "von m" as the printout counts: the printer's paper, turned as printing turns it.
    QPageLayout paper = printer().pageLayout();
    if (layoutOptions().ShowDiagram)
        paper.setOrientation(QPageLayout::Landscape);
    const PageFrame printed = pageFrame(printableArea(paper));
    if (report.pageCount(H, testsPerPage(H)) > 0)
        report.drawPage(painter, 0, report.pageCount(printed.H, printed.testsPerPage),
                        PreviewOffset, PreviewOffset, PreviewWidth - 2 * PreviewOffset, H,
                        testsPerPage(H), false, layoutOptions());
}

void TForm2::TreeView_SettingsClick() {
    // The selection is cleared in any case, so that the next click on the same node
    // toggles it again.
    const auto clearSelection = qScopeGuard([this] {
        TreeView_Settings->clearSelection();
        TreeView_Settings->setCurrentItem(nullptr);
    });
    const QList<QTreeWidgetItem*> selected = TreeView_Settings->selectedItems();
    if (selected.isEmpty() || selected.first()->childCount() > 0)
        return;
    QTreeWidgetItem* item = selected.first();
    setImageIndex(item, imageIndex(item) ^ 1);
    RenderPreview();
    PaintBox_Preview->repaint();
}

void TForm2::Button_PreviewClick() {
    if (height() == ExpandedHeight) {
        setClientHeight(CollapsedHeight);
        Button_Preview->setText(QStringLiteral("Vorschau >>"));
    } else {
        setClientHeight(ExpandedHeight);
        Button_Preview->setText(QStringLiteral("Vorschau <<"));
    }
}

void TForm2::Button1Click() {
    printer().setCopyCount(SpinEdit_Copies->value());
    // A PDF file proposed there is named after what is printed now.
    printer().setDocName(QStringLiteral("Zensoria - ") + source_.subjectName());
    if (!DialogService::instance().setUpPrinter(this, printer()))
        return;
    showCurrentPrinter();
    SpinEdit_Copies->setValue(printer().copyCount());
}

QString TForm2::askPdfFileName(const QString& name) {
    FileDialogOptions options;
    options.title = QStringLiteral("Als PDF-Datei speichern");
    options.filter = QStringLiteral("PDF-Dateien (*.pdf)");
    options.defaultSuffix = QStringLiteral("pdf");
    options.save = true;
    QString folder = pdfFolder_;
    if (folder.isEmpty() && !source_.dataFileName().isEmpty())
        folder = QFileInfo(source_.dataFileName()).absolutePath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    // The file chosen under "Einstellungen" is proposed for the next print only.
    options.initialFileName = printer().outputFileName().isEmpty()
                                  ? proposedPdfFileName(folder, name)
                                  : printer().outputFileName();
    const QString chosen = DialogService::instance().chooseFile(this, options);
    if (!chosen.isEmpty())
        pdfFolder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

void TForm2::runPrintJob(const QString& name,
                         const std::function<void(const PrintLayoutOptions&)>& job) {
    const PrintLayoutOptions options = layoutOptions();
    // A PDF file is asked for at every print, so that no print replaces another's file
    // unasked, whatever was chosen under "Einstellungen".
    if (options.ShowDiagram)
        printer().setPageOrientation(QPageLayout::Landscape);
    // Paper without room for a test is refused before a file is asked for.
    usablePageFrame(printer());
    QString file;
    if (printsToPdfFile(printer())) {
        file = askPdfFileName(name);
        if (file.isEmpty())
            return;
    }
    printer().setDocName(QStringLiteral("Zensoria - ") + name);
    if (!file.isEmpty())
        printer().setOutputFileName(file);
    const auto forgetFile = qScopeGuard([this, &file] {
        if (!file.isEmpty()) {
            printer().setOutputFileName(QString());
            printer().setOutputFormat(QPrinter::PdfFormat);
            showCurrentPrinter();
        }
    });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    job(options);
}

void TForm2::Button_PrintClick() {
    if (printsSchoolYear()) {
        printSchoolYear();
        return;
    }
    const int N = source_.testCount();
    if (N == 0) {
        DialogService::instance().showMessage(
            this, MessageIcon::Error, QStringLiteral("Keine Arbeiten"),
            QStringLiteral("Es sind keine Arbeiten in dem ausgewählten Fach vorhanden."));
        return;
    }
    runPrintJob(source_.subjectName(), [this, N](const PrintLayoutOptions& options) {
        printTests(printer(), printTitle(), N, options, testAt());
    });
}

void TForm2::printSchoolYear() {
    const SchoolYear year = chosenSchoolYear();
    // Read again: the file may have changed since the dialog was shown.
    overview_ = source_.allSubjects();
    const SchoolYearReport report(overview_, year, source_.dataFileName(), Clock::today());
    if (report.rows().isEmpty()) {
        DialogService::instance().showMessage(
            this, MessageIcon::Error, QStringLiteral("Keine Arbeiten"),
            QStringLiteral("Es sind keine Arbeiten in dem ausgewählten Schuljahr vorhanden."));
        return;
    }
    const QString name =
        QStringLiteral("Schuljahresbericht ") + schoolYearText(year).replace(u'/', u'-');
    runPrintJob(name, [this, &report](const PrintLayoutOptions& options) {
        printSchoolYearReport(printer(), report, options);
    });
}

void TForm2::HilfeExecute() {
    Help::showTopic(this, QStringLiteral("Print"));
}

template <typename Handler> void TForm2::guarded(Handler handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        reportError(error);
    }
}

void TForm2::reportError(const std::exception& error) {
    showErrorMessage(error);
}
