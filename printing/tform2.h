#pragma once

#include "overview/subjectoverview.h"
#include "printing/printlayout.h"

#include <QDialog>
#include <QImage>
#include <QPrinter>

#include <exception>
#include <functional>
#include <memory>

class PrintSource;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;
class TVelaImage;

// The paint box of the preview: shows the preview bitmap scaled to its width.
class PreviewPaintBox : public QWidget {
    Q_OBJECT
public:
    PreviewPaintBox(const QImage& bitmap, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& bitmap_;
};

// The print dialog "Drucken": printer and copies, the seven layout options as a tree, a
// preview of page 1 and printing of the selected subject's tests, or of the school-year
// report of all subjects. Created once at start; the
// options, the printer and the preview's height keep their state until the program ends.
// Every control carries its name as objectName.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Client heights with the preview collapsed and expanded.
    static constexpr int CollapsedHeight = 280, ExpandedHeight = 553, ClientWidth = 800;

    explicit TForm2(const PrintSource& source, QWidget* parent = nullptr);
    ~TForm2() override;

    // The options as the tree shows them now, read by node position.
    PrintLayoutOptions layoutOptions() const;
    // The dialog's printer, kept for the whole run. It is set up when first needed (the dialog
    // is first shown or prints): asking the printing system for its printers costs more than
    // building the dialog, and the dialog exists from the program's start.
    QPrinter& printer();
    const QImage& previewBitmap() const { return PreviewBitmap; }

    // Every time the dialog is shown: printer name, copy count, preview.
    void FormShow();
    // Draws page 1 into the preview bitmap.
    void RenderPreview();
    void TreeView_SettingsClick();
    void Button_PreviewClick();
    // "Einstellungen": the platform's print dialog.
    void Button1Click();
    // "Drucken": all tests of the selected subject on as many pages as needed, or the report of
    // the school year chosen under "alle Fächer des Schuljahres". A PDF file is asked for at
    // every print (the save dialog asks before it replaces a file).
    void Button_PrintClick();
    // "alle Fächer des Schuljahres" is chosen, and the school year it prints.
    bool printsSchoolYear() const;
    SchoolYear chosenSchoolYear() const;
    void HilfeExecute();

signals:
    // The logo was clicked: the about dialog is to be shown.
    void aboutRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildForm();
    void setClientHeight(int height);
    void showCurrentPrinter();
    // Runs a handler; an error it raises is shown in the general error message box.
    template <typename Handler> void guarded(Handler handler);
    void reportError(const std::exception& error);
    PrintTestAt testAt() const;
    QString printTitle() const;
    // The PDF file to print the document `name` into, asked for in the save dialog; it proposes
    // the file chosen under "Einstellungen" once, afterwards "<name>.pdf" in the folder saved to
    // last. Empty when the user cancels.
    QString askPdfFileName(const QString& name);
    // One print job of the document `name`: the PDF file asked for when the printer writes
    // one, landscape with "Diagramm", then job() with the options; the file is the job's only.
    void runPrintJob(const QString& name,
                     const std::function<void(const PrintLayoutOptions&)>& job);
    void printSchoolYear();
    // The school years of the data file in the selector, the latest chosen.
    void fillSchoolYears();

    const PrintSource& source_;
    std::unique_ptr<QPrinter> printer_;
    QImage PreviewBitmap;
    QString pdfFolder_;        // folder of the PDF file saved last in this run
    SubjectOverview overview_; // every subject's tests, read when the dialog is shown

    QGroupBox* GroupBox1;
    QLabel* Label_CurPrinter;
    QLabel* Label1;
    QSpinBox* SpinEdit_Copies;
    QPushButton* Button1;
    QGroupBox* GroupBox2;
    QTreeWidget* TreeView_Settings;
    // What is printed: the selected subject, or all subjects of a school year.
    QGroupBox* GroupBox_Range;
    QRadioButton* RadioButton_Subject;
    QRadioButton* RadioButton_SchoolYear;
    QComboBox* ComboBox_SchoolYear;
    QPushButton* Button_Cancel;
    QPushButton* Button_Print;
    QPushButton* Button_Preview;
    TVelaImage* InfoP;
    QGroupBox* GroupBox_Preview;
    PreviewPaintBox* PaintBox_Preview;
    QAction* Hilfe;
};
