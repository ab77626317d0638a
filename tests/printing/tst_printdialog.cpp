#include "support/scripteddialogs.h"

#include "platform/apperror.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"
#include "printing/optionimages.h"
#include "printing/printjob.h"
#include "printing/printsource.h"
#include "printing/tform2.h"
#include "support/classtests.h"
#include "support/testfiles.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

// The subject selected in a main window, as the dialog sees it.
class FakeSource : public PrintSource {
public:
    QString file = QStringLiteral("/home/anna/Noten.plx");
    QString subject = QStringLiteral("Mathematik");
    QList<ClassTest> tests;
    int damagedAt = -1;     // the test at this index cannot be read
    SubjectOverview others; // every subject of the file, for the school-year report

    QString dataFileName() const override { return file; }
    QString subjectName() const override { return subject; }
    int testCount() const override { return int(tests.size()); }
    ClassTest test(int index) const override {
        if (index == damagedAt)
            throw AppError(QStringLiteral("'2003-02-30' ist kein gültiges Datum"));
        return tests.at(index);
    }

    SubjectOverview allSubjects() const override { return others; }

    void fill(int n) {
        tests.clear();
        for (int i = 0; i < n; ++i) {
            ClassTest t;
            t.gradeLevel = 7;
            t.number = i + 1;
            t.date = QDate(2003, 9, 1).addDays(i);
            t.lesson = 2;
            t.counts = {3, 5, 8, 4, 2, 0};
            t.ownGrade = 3;
            tests.append(t);
        }
    }
};

const QString Title = QStringLiteral("[/home/anna/Noten.plx] - Mathematik");

template <typename T> T* control(const QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QTreeWidgetItem* node(const TForm2& form, const QString& caption) {
    auto* tree = control<QTreeWidget>(form, "TreeView_Settings");
    const QList<QTreeWidgetItem*> found =
        tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.value(0);
}

void clickNode(TForm2& form, const QString& caption) {
    auto* tree = control<QTreeWidget>(form, "TreeView_Settings");
    QTreeWidgetItem* item = node(form, caption);
    QVERIFY2(item, qPrintable(caption));
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

// Page `page` of a PDF file as pixels (pdftoppm, 100 dpi); a null image when it cannot be read.
QImage pdfPageImage(const QString& fileName, int page) {
    QTemporaryDir dir;
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"),
                    QString::number(page), QStringLiteral("-l"), QString::number(page),
                    QStringLiteral("-singlefile"), QStringLiteral("-png"), fileName,
                    dir.filePath(QStringLiteral("page"))});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0)
        return {};
    return QImage(dir.filePath(QStringLiteral("page.png")));
}

// A colour of the preview's first test row: inside the tinted first column.
QColor firstColumnTint(const TForm2& form) {
    return form.previewBitmap().pixelColor(350, 101 + 104 + 3);
}

} // namespace

class TestPrintDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QApplication::setApplicationDisplayName(QStringLiteral("Zensoria"));
        QVERIFY(dir_.isValid());
    }

    void init() {
        dialogs_ = std::make_unique<ScopedDialogs>();
        source_ = FakeSource();
        source_.fill(3);
    }
    void cleanup() {
        QVERIFY2((*dialogs_)->problems().isEmpty(), qPrintable((*dialogs_)->problems()));
        dialogs_.reset();
    }

    void defaults() {
        TForm2 form(source_);
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Drucken"));
        QCOMPARE(form.size(), QSize(800, 280));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(control<QPushButton>(form, "Button_Preview")->text(),
                 QStringLiteral("Vorschau >>"));
        QVERIFY(control<QPushButton>(form, "Button_Print")->isDefault());
        QCOMPARE(control<QPushButton>(form, "Button_Cancel")->text(), QStringLiteral("Schließen"));
        QCOMPARE(control<QGroupBox>(form, "GroupBox_Preview")->geometry(), QRect(8, 280, 785, 265));
        QCOMPARE(control<QWidget>(form, "PaintBox_Preview")->geometry(), QRect(16, 24, 749, 225));
        QCOMPARE(control<QWidget>(form, "InfoP")->geometry(), QRect(649, 9, 142, 63));
        auto* copies = control<QSpinBox>(form, "SpinEdit_Copies");
        QCOMPARE(copies->value(), 1);
        QCOMPARE(copies->minimum(), 1);
        QCOMPARE(copies->maximum(), 1000);
        QCOMPARE(control<QLabel>(form, "Label1")->buddy(), copies);
        // This machine has no printer: the PDF target is the current one.
        QCOMPARE(control<QLabel>(form, "Label_CurPrinter")->text(),
                 QStringLiteral("Aktueller Drucker: PDF-Datei"));

        // The tree: two expanded groups with image 2, the leaves' images their defaults.
        auto* tree = control<QTreeWidget>(form, "TreeView_Settings");
        QCOMPARE(tree->indentation(), 19);
        QCOMPARE(tree->topLevelItemCount(), 2);
        const QStringList captions{
            "Trennlinien",     "Spalten",           "Zeilen",   "Sonstiges",
            "Farbige Spalten", "Farbiges Diagramm", "Diagramm", "Diagrammbeschriftung",
            "Eigene Zensuren"};
        const QList<int> images{2, 1, 1, 2, 0, 0, 1, 1, 0};
        QTreeWidgetItemIterator it(tree);
        for (int i = 0; i < captions.size(); ++i, ++it) {
            QVERIFY(*it);
            QCOMPARE((*it)->text(0), captions[i]);
            QCOMPARE((*it)->data(0, Qt::UserRole).toInt(), images[i]);
            if ((*it)->childCount() > 0)
                QVERIFY((*it)->isExpanded());
        }
        QVERIFY(!*it);
        QCOMPARE(form.layoutOptions(), PrintLayoutOptions{});

        // Tab order: Einstellungen, copies, tree, Schließen, Drucken, Vorschau.
        QWidget* w = control<QWidget>(form, "Button1");
        for (const char* next : {"SpinEdit_Copies", "TreeView_Settings", "Button_Cancel",
                                 "Button_Print", "Button_Preview"}) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || w->parentWidget() == copies)
                w = w->nextInFocusChain();
            QCOMPARE(w->objectName(), QString::fromLatin1(next));
        }

        // The three images differ and are 16 x 16.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(OptionImages::image(i).size(), QSize(16, 16));
        QVERIFY(OptionImages::image(0) != OptionImages::image(1));
        QVERIFY(OptionImages::image(1) != OptionImages::image(2));

        // The preview shows page 1 of the subject at once.
        QCOMPARE(form.previewBitmap().size(), QSize(2400, 721));
        QCOMPARE(form.previewBitmap().pixelColor(600, 101 + 104 + 5), QColor(Qt::black));
    }

    void controlsShowTheirTexts() {
        TForm2 form(source_);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // All nine options show at once in the tree's 137 pixels, none cut, no scroll bar.
        auto* tree = control<QTreeWidget>(form, "TreeView_Settings");
        QCOMPARE(tree->geometry(), QRect(16, 24, 321, 137));
        const QRect visible = tree->viewport()->rect();
        int row = 0, previousBottom = -1;
        for (QTreeWidgetItemIterator it(tree); *it; ++it, ++row) {
            const QRect rect = tree->visualItemRect(*it);
            QVERIFY2(visible.contains(rect), qPrintable((*it)->text(0)));
            QCOMPARE(rect.top(), previousBottom + 1);
            QVERIFY(rect.height() <= OptionImages::Size);
            QVERIFY(rect.height() >= tree->fontMetrics().height());
            previousBottom = rect.bottom();
        }
        QCOMPARE(row, 9);
        QVERIFY(!tree->verticalScrollBar()->isVisible());
        // The pictures' lowest row is empty: a row a pixel lower cuts none of them.
        for (int i = 0; i < 3; ++i) {
            const QImage image = OptionImages::image(i);
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(qAlpha(image.pixel(x, image.height() - 1)), 0);
        }

        // Hot tracking: the node under the pointer, and only that one, is drawn in the link
        // colour.
        const auto linkColoured = [tree, &form](const QString& caption) {
            const QRect rect = tree->visualItemRect(node(form, caption));
            const QImage shown = tree->viewport()->grab(rect).toImage();
            int count = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const QColor c = shown.pixelColor(x, y);
                    count += c.blue() > c.red() + 80 && c.blue() > c.green() + 80 ? 1 : 0;
                }
            return count;
        };
        QCOMPARE(linkColoured(QStringLiteral("Zeilen")), 0);
        QTest::mouseMove(tree->viewport(),
                         tree->visualItemRect(node(form, QStringLiteral("Zeilen"))).center());
        QTRY_VERIFY(linkColoured(QStringLiteral("Zeilen")) > 10);
        QCOMPARE(linkColoured(QStringLiteral("Spalten")), 0);

        // "Exemplare:" on the spin box's line: both texts centred on one height.
        auto* label = control<QLabel>(form, "Label1");
        auto* copies = control<QSpinBox>(form, "SpinEdit_Copies");
        QCOMPARE(label->pos(), QPoint(16, 48));
        QCOMPARE(label->geometry().center().y(), copies->geometry().center().y());
        QVERIFY(label->alignment() & Qt::AlignVCenter);
        QVERIFY(label->width() >= label->sizeHint().width());
    }

    void leafToggledTwice() {
        TForm2 form(source_);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* tree = control<QTreeWidget>(form, "TreeView_Settings");
        QCOMPARE(firstColumnTint(form), QColor(Qt::white));

        // Collapsed, the preview is still drawn at once.
        clickNode(form, QStringLiteral("Farbige Spalten"));
        QVERIFY(form.layoutOptions().ColouredColumns);
        QCOMPARE(node(form, QStringLiteral("Farbige Spalten"))->data(0, Qt::UserRole).toInt(), 1);
        QVERIFY(tree->selectedItems().isEmpty());
        QCOMPARE(firstColumnTint(form), QColor(0xFFFFD5));

        clickNode(form, QStringLiteral("Farbige Spalten"));
        QVERIFY(!form.layoutOptions().ColouredColumns);
        QCOMPARE(firstColumnTint(form), QColor(Qt::white));
        QVERIFY(tree->selectedItems().isEmpty());

        // Every other option reaches the layout through its own node.
        clickNode(form, QStringLiteral("Spalten"));
        clickNode(form, QStringLiteral("Zeilen"));
        clickNode(form, QStringLiteral("Farbiges Diagramm"));
        clickNode(form, QStringLiteral("Diagramm"));
        clickNode(form, QStringLiteral("Diagrammbeschriftung"));
        clickNode(form, QStringLiteral("Eigene Zensuren"));
        const PrintLayoutOptions options = form.layoutOptions();
        QVERIFY(!options.ColumnLines && !options.RowLines && options.ColouredDiagram &&
                !options.ShowDiagram && !options.BarLabels && options.MarkOwnGrade &&
                !options.ColouredColumns);
    }

    void groupNodeTogglesNothing() {
        TForm2 form(source_);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage before = form.previewBitmap();
        for (const QString& group : {QStringLiteral("Trennlinien"), QStringLiteral("Sonstiges")}) {
            clickNode(form, group);
            QCOMPARE(node(form, group)->data(0, Qt::UserRole).toInt(), 2);
            QVERIFY(node(form, group)->isExpanded());
            QVERIFY(control<QTreeWidget>(form, "TreeView_Settings")->selectedItems().isEmpty());
        }
        QCOMPARE(form.layoutOptions(), PrintLayoutOptions{});
        QCOMPARE(form.previewBitmap(), before);
    }

    void previewCollapsesAndExpands() {
        TForm2 form(source_);
        form.show();
        auto* button = control<QPushButton>(form, "Button_Preview");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(form.height(), 553);
        QCOMPARE(button->text(), QStringLiteral("Vorschau <<"));
        QVERIFY(control<QWidget>(form, "PaintBox_Preview")->isVisible());
        // Closed and opened again: the dialog keeps its state.
        form.hide();
        form.show();
        QCOMPARE(form.height(), 553);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(form.height(), 280);
        QCOMPARE(button->text(), QStringLiteral("Vorschau >>"));
    }

    void previewPaintedToTheBoxWidth() {
        TForm2 form(source_);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(control<QPushButton>(form, "Button_Preview"), Qt::LeftButton);
        clickNode(form, QStringLiteral("Farbige Spalten"));
        auto* box = control<QWidget>(form, "PaintBox_Preview");
        const QImage shown = box->grab().toImage();
        QCOMPARE(shown.size(), QSize(749, 225));
        const QColor background = box->palette().color(QPalette::Window);
        QVERIFY(background != QColor(Qt::white));

        // The bitmap fills the box from (1, 1) to its right edge, scaled by 749 / 2400: the
        // box's first row and column stay free, and the last row is still drawn, as
        // 721 * 749 / 2400 = 225.
        const auto at = [&shown](int bitmapX, int bitmapY) {
            return shown.pixelColor(1 + bitmapX * 748 / 2400, 1 + bitmapY * 224 / 721);
        };
        QCOMPARE(shown.pixelColor(0, 100), background);
        QCOMPARE(shown.pixelColor(300, 0), background);
        QCOMPARE(shown.pixelColor(748, 100), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(300, 224), QColor(Qt::white));
        // The tinted test and date columns of the first test row, in their places.
        QCOMPARE(at(350, 260), QColor(0xFFFFD5));
        QCOMPARE(at(750, 260), QColor(0xD5FFD5));
        QCOMPARE(at(350, 40), QColor(Qt::white));
    }

    void printsPdfWithoutPrinter() {
        source_.file = dir_.filePath(QStringLiteral("Noten.plx"));
        source_.fill(23);
        TForm2 form(source_);
        form.show();
        QVERIFY(printsToPdfFile(form.printer()));
        const QString fileName = dir_.filePath(QStringLiteral("Mathematik.pdf"));
        (*dialogs_)->answerFile(fileName);
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);

        // The save dialog proposes the subject's name beside the data file.
        const QList<ShownDialog> files = (*dialogs_)->shown(ShownDialog::Kind::File);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().fileOptions.save);
        QCOMPARE(files.first().fileOptions.filter, QStringLiteral("PDF-Dateien (*.pdf)"));
        QCOMPARE(files.first().fileOptions.initialFileName, fileName);
        QVERIFY(!files.first().caption.isEmpty());
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::Message).size(), 0);

        const QStringList pages = pdfPages(fileName);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].trimmed().startsWith(PrintTitle(source_.file, source_.subject)));
        QVERIFY(pages[1].contains(QStringLiteral("Seite 2")));
        // Asked for this print only: the next one asks again, proposing the same folder.
        QVERIFY(form.printer().outputFileName().isEmpty());
        QVERIFY(printsToPdfFile(form.printer()));
        (*dialogs_)->answerFile(QString()); // cancelled: nothing is printed
        QFile::remove(fileName);
        form.Button_PrintClick();
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::File).last().fileOptions.initialFileName,
                 fileName);
        QVERIFY(!QFile::exists(fileName));
    }

    void nextJobBeginsWithBlackText() {
        // The first job's last drawing is a white bar label: the sixes of the last test in the
        // dark grey segment.
        source_.tests.last().counts = {0, 0, 1, 0, 0, 20};
        TForm2 form(source_);
        form.show();
        const QString first = dir_.filePath(QStringLiteral("erster.pdf"));
        const QString second = dir_.filePath(QStringLiteral("zweiter.pdf"));
        (*dialogs_)->answerFile(first);
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);
        (*dialogs_)->answerFile(second);
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);
        const QImage one = pdfPageImage(first, 1), two = pdfPageImage(second, 1);
        QVERIFY(!one.isNull() && !two.isNull());
        // The header is there, in black, on both.
        int dark = 0;
        for (int y = 0; y < one.height() / 8; ++y)
            for (int x = 0; x < one.width(); ++x)
                dark += qGray(two.pixel(x, y)) < 64;
        QVERIFY(dark > 100);
        QVERIFY(one == two);
    }

    void fileChosenUnderEinstellungen() {
        TForm2 form(source_);
        form.show();
        const QString fileName = dir_.filePath(QStringLiteral("gewählt.pdf"));
        (*dialogs_)->answerPrintSetup(
            [&fileName](QPrinter& printer) { printer.setOutputFileName(fileName); });
        QTest::mouseClick(control<QPushButton>(form, "Button1"), Qt::LeftButton);
        QCOMPARE(control<QLabel>(form, "Label_CurPrinter")->text(),
                 QStringLiteral("Aktueller Drucker: PDF-Datei (gewählt.pdf)"));
        // The save dialog shows where the print goes, proposing the file chosen there.
        (*dialogs_)->answerFile(fileName);
        form.Button_PrintClick();
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::File).size(), 1);
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::File).first().fileOptions.initialFileName,
                 fileName);
        QCOMPARE(pdfPages(fileName).size(), 1);
    }

    void noFileOverwrittenSilentlyAfterEinstellungen() {
        source_.file = dir_.filePath(QStringLiteral("Noten.plx"));
        TForm2 form(source_);
        form.show();
        const QString chosen = dir_.filePath(QStringLiteral("print.pdf"));
        (*dialogs_)->answerPrintSetup([&chosen](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(chosen);
        });
        form.Button1Click();
        const auto asked = [this] { return (*dialogs_)->shown(ShownDialog::Kind::File); };

        // 1: Mathematik into the file chosen there, after the save dialog showed it.
        (*dialogs_)->answerFile(chosen);
        form.Button_PrintClick();
        QCOMPARE(asked().size(), 1);
        QCOMPARE(asked().last().fileOptions.initialFileName, chosen);
        const QByteArray mathematik = readBytes(chosen);
        QVERIFY(pdfPages(chosen).value(0).contains(QStringLiteral("Mathematik")));
        QCOMPARE(control<QLabel>(form, "Label_CurPrinter")->text(),
                 QStringLiteral("Aktueller Drucker: PDF-Datei"));

        // 2: Deutsch is asked for again, proposed under its own name beside it.
        source_.subject = QStringLiteral("Deutsch");
        const QString deutsch = dir_.filePath(QStringLiteral("Deutsch.pdf"));
        (*dialogs_)->answerFile(deutsch);
        form.Button_PrintClick();
        QCOMPARE(asked().size(), 2);
        QCOMPARE(asked().last().fileOptions.initialFileName, deutsch);
        QVERIFY(asked().last().fileOptions.save); // the save dialog asks before replacing a file
        QCOMPARE(readBytes(chosen), mathematik);

        // 3: Mathematik again is asked for too; cancelled, nothing is written anywhere.
        source_.subject = QStringLiteral("Mathematik");
        const QByteArray deutschBytes = readBytes(deutsch);
        (*dialogs_)->answerFile(QString());
        form.Button_PrintClick();
        QCOMPARE(asked().size(), 3);
        QCOMPARE(asked().last().fileOptions.initialFileName,
                 dir_.filePath(QStringLiteral("Mathematik.pdf")));
        QCOMPARE(readBytes(chosen), mathematik);
        QCOMPARE(readBytes(deutsch), deutschBytes);
        QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("Mathematik.pdf"))));
    }

    void einstellungenConfirmsWithUebernehmen() {
        // The platform's own print dialog: its confirm button takes the settings over.
        dialogs_.reset();
        TForm2 form(source_);
        QString caption;
        QTimer::singleShot(0, &form, [&caption] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                caption = buttons->button(QDialogButtonBox::Ok)->text();
            static_cast<QDialog*>(dialog)->reject();
        });
        form.Button1Click();
        dialogs_ = std::make_unique<ScopedDialogs>();
        QCOMPARE(caption, QStringLiteral("Übernehmen"));
    }

    void schoolYearReportThroughTheDialog() {
        source_.file = dir_.filePath(QStringLiteral("Noten.plx"));
        source_.others =
            SubjectOverview({{QStringLiteral("Deutsch"), {source_.tests.first()}},
                             {QStringLiteral("Mathematik"), source_.tests},
                             {QStringLiteral("Sport"), {classTest(6, 1, QDate(2002, 10, 1))}}});
        TForm2 form(source_);
        form.show();
        auto* year = control<QComboBox>(form, "ComboBox_SchoolYear");
        QCOMPARE(year->count(), 2);
        QCOMPARE(year->currentText(), QStringLiteral("2003/2004")); // the latest
        QVERIFY(!year->isEnabled());
        const QImage subjectPreview = form.previewBitmap().copy();
        QTest::mouseClick(control<QRadioButton>(form, "RadioButton_SchoolYear"), Qt::LeftButton);
        QVERIFY(form.printsSchoolYear());
        QVERIFY(year->isEnabled());
        // The preview shows the report's first page, the overview, instead of the subject's.
        QVERIFY(form.previewBitmap() != subjectPreview);

        const QString fileName = dir_.filePath(QStringLiteral("Schuljahresbericht 2003-2004.pdf"));
        (*dialogs_)->answerFile(fileName);
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::File).last().fileOptions.initialFileName,
                 fileName);
        const QStringList pages = pdfPages(fileName);
        QCOMPARE(pages.size(), 3);
        QVERIFY2(pages[0].contains(QStringLiteral("[Noten.plx] - Übersicht Schuljahr 2003/2004")),
                 qPrintable(pages[0]));
        QVERIFY(pages[0].contains(QStringLiteral("Seite 1 von 3")));
        QVERIFY(pages[1].contains(QStringLiteral("[Noten.plx] - Deutsch")));
        QVERIFY(pages[2].contains(QStringLiteral("[Noten.plx] - Mathematik")));
        QVERIFY(!pages.join(QString()).contains(QStringLiteral("Sport")));

        // Back to the subject: its own printout.
        QTest::mouseClick(control<QRadioButton>(form, "RadioButton_Subject"), Qt::LeftButton);
        QVERIFY(!form.printsSchoolYear());
        QCOMPARE(form.previewBitmap(), subjectPreview);
    }

    void copyCountOnlyThroughEinstellungen() {
        TForm2 form(source_);
        form.show();
        auto* copies = control<QSpinBox>(form, "SpinEdit_Copies");
        copies->setValue(3);
        (*dialogs_)->answerFile(dir_.filePath(QStringLiteral("copies.pdf")));
        form.Button_PrintClick();
        QCOMPARE(form.printer().copyCount(), 1);

        // "Einstellungen" hands the value to the printer before the print dialog opens; the
        // dialog's choice comes back into the box.
        int seen = 0;
        (*dialogs_)->answerPrintSetup([&seen](QPrinter& printer) {
            seen = printer.copyCount();
            printer.setCopyCount(5);
        });
        form.Button1Click();
        QCOMPARE(seen, 3);
        QCOMPARE(copies->value(), 5);
        // Cancelled: the box keeps its value, the printer the one handed over.
        copies->setValue(7);
        (*dialogs_)->answerPrintSetupCancel();
        form.Button1Click();
        QCOMPARE(copies->value(), 7);
        QCOMPARE(form.printer().copyCount(), 7);
        // Shown again: the box shows the printer's count.
        form.hide();
        copies->setValue(2);
        form.show();
        QCOMPARE(copies->value(), 7);
    }

    void landscapeAfterFirstPrint() {
        TForm2 form(source_);
        form.show();
        form.printer().setPageOrientation(QPageLayout::Portrait);
        (*dialogs_)->answerFile(dir_.filePath(QStringLiteral("landscape.pdf")));
        form.Button_PrintClick();
        QCOMPARE(form.printer().pageLayout().orientation(), QPageLayout::Landscape);

        // "Diagramm" off: the orientation stays as it is, here landscape ...
        clickNode(form, QStringLiteral("Diagramm"));
        (*dialogs_)->answerFile(dir_.filePath(QStringLiteral("landscape2.pdf")));
        form.Button_PrintClick();
        QCOMPARE(form.printer().pageLayout().orientation(), QPageLayout::Landscape);
        // ... and portrait once the print dialog chose it.
        (*dialogs_)->answerPrintSetup(
            [](QPrinter& printer) { printer.setPageOrientation(QPageLayout::Portrait); });
        form.Button1Click();
        (*dialogs_)->answerFile(dir_.filePath(QStringLiteral("portrait.pdf")));
        form.Button_PrintClick();
        QCOMPARE(form.printer().pageLayout().orientation(), QPageLayout::Portrait);
    }

    void emptySubject() {
        source_.fill(0);
        const int files = int(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size());
        TForm2 form(source_);
        form.show();
        // The preview: header line and head row.
        QCOMPARE(form.previewBitmap().pixelColor(600, 101 + 5), QColor(Qt::black));
        QCOMPARE(form.previewBitmap().pixelColor(600, 101 + 104 + 5), QColor(Qt::white));
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);
        const QList<ShownDialog> messages = (*dialogs_)->shown(ShownDialog::Kind::Message);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().icon, MessageIcon::Error);
        QCOMPARE(messages.first().caption, QStringLiteral("Keine Arbeiten"));
        QCOMPARE(messages.first().text,
                 QStringLiteral("Es sind keine Arbeiten in dem ausgewählten Fach vorhanden."));
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::File).size(), 0);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), files);
    }

    void damagedTest() {
        // In the preview: the first two tests are shown and the error is reported.
        source_.fill(30);
        source_.damagedAt = 2;
        TForm2 form(source_);
        form.show();
        QCOMPARE((*dialogs_)->texts(),
                 QStringList{QStringLiteral("'2003-02-30' ist kein gültiges Datum")});
        QCOMPARE((*dialogs_)->shown().first().caption, QStringLiteral("Zensoria"));
        QCOMPARE(form.previewBitmap().pixelColor(600, 101 + 2 * 104 + 5), QColor(Qt::black));
        QCOMPARE(form.previewBitmap().pixelColor(600, 101 + 3 * 104 + 5), QColor(Qt::white));

        // In print: on page 2; no file is left, the error is shown, the next print works.
        source_.damagedAt = 25;
        (*dialogs_)->clear();
        const QString fileName = dir_.filePath(QStringLiteral("damaged.pdf"));
        (*dialogs_)->answerFile(fileName);
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);
        QCOMPARE((*dialogs_)->texts(),
                 QStringList{QStringLiteral("'2003-02-30' ist kein gültiges Datum")});
        QCOMPARE((*dialogs_)->shown(ShownDialog::Kind::Message).first().icon, MessageIcon::Error);
        QVERIFY(!QFile::exists(fileName));
        QCOMPARE(QDir(dir_.path())
                     .entryList({QStringLiteral("*damaged*")}, QDir::Files | QDir::Hidden)
                     .size(),
                 0);

        source_.damagedAt = -1;
        (*dialogs_)->answerFile(fileName);
        form.Button_PrintClick();
        QCOMPARE(pdfPages(fileName).size(), 3);
    }

    void pageTooSmallRefused() {
        TForm2 form(source_);
        form.show();
        const QString fileName = dir_.filePath(QStringLiteral("small.pdf"));
        (*dialogs_)->answerPrintSetup([&fileName](QPrinter& printer) {
            printer.setOutputFileName(fileName);
            printer.setPageSize(QPageSize(QSizeF(100, 60), QPageSize::Millimeter));
            printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        });
        form.Button1Click();
        clickNode(form, QStringLiteral("Diagramm")); // no landscape turn
        QTest::mouseClick(control<QPushButton>(form, "Button_Print"), Qt::LeftButton);
        const QStringList texts = (*dialogs_)->texts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().contains(QStringLiteral("61 mm")), qPrintable(texts.first()));
        QVERIFY(!QFile::exists(fileName));
    }

    void helpAndLogo() {
        Help::setHelpFile(QStringLiteral(ZENSORIA_SOURCE_DIR "/resources/Pultex.hlp"));
        TForm2 form(source_);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F1);
        auto* viewer = form.findChild<HelpViewer*>();
        QVERIFY(viewer);
        QCOMPARE(viewer->topic(), QStringLiteral("Print"));
        QCOMPARE(viewer->browser()->source().fragment(), QStringLiteral("Print"));
        // The topic says that the copies reach the printer through "Einstellungen" only.
        const QString help = QString::fromUtf8(readBytes(QStringLiteral(ZENSORIA_SOURCE_DIR
                                                                        "/resources/Pultex.hlp")))
                                 .simplified();
        const QString print = help.mid(help.indexOf(QStringLiteral("name=\"Print\"")));
        QVERIFY(!print.contains(QStringLiteral("Wählen Sie dort den Drucker und die Anzahl")));
        QVERIFY(print.contains(QStringLiteral("Die Anzahl der Exemplare tragen Sie vorher in das "
                                              "Feld <b>Exemplare</b> ein: Sie gilt erst, wenn Sie "
                                              "danach <b>Einstellungen</b> öffnen")));

        QSignalSpy about(&form, &TForm2::aboutRequested);
        QTest::mouseClick(control<QWidget>(form, "InfoP"), Qt::LeftButton);
        QCOMPARE(about.size(), 1);
    }

    void closedByEscapeAndSchliessen() {
        TForm2 form(source_);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        form.show();
        QTest::mouseClick(control<QPushButton>(form, "Button_Cancel"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<ScopedDialogs> dialogs_;
    FakeSource source_;
};

QTEST_MAIN(TestPrintDialog)
#include "tst_printdialog.moc"
