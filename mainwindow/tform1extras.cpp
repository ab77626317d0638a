// The entries beside "&Info" in the main window's context menu: the day's backup copies of
// the data file, the trend of the subject shown, the grade book as a CSV table or an Excel
// workbook and the overview of all subjects. Their dialogs and logic live in their own
// folders; the window only creates and wires them.

#include "mainwindow/tform1.h"

#include "backup/backupdialog.h"
#include "backup/dailybackup.h"
#include "csvexport/csvwriter.h"
#include "gradedata/gradebook.h"
#include "mainwindow/formparts.h"
#include "mainwindow/settingspage.h"
#include "mainwindow/tabcontrol.h"
#include "overview/overviewdialog.h"
#include "platform/dialogs.h"
#include "trend/trenddialog.h"
#include "update/tvelaupdatefile.h"
#include "xlsxexport/gradebookworkbook.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>

using FormParts::named;

void TForm1::buildExtraActions() {
    BackupsAction = named(new QAction(QStringLiteral("Sicherungen anzeigen…"), this),
                          QStringLiteral("BackupsAction"));
    TrendAction = named(new QAction(QStringLiteral("Verlauf anzeigen…"), this),
                        QStringLiteral("TrendAction"));
    CsvExportAction = named(new QAction(QStringLiteral("Als CSV exportieren…"), this),
                            QStringLiteral("CsvExportAction"));
    XlsxExportAction =
        named(new QAction(QStringLiteral("Als Excel-Arbeitsmappe exportieren…"), this),
              QStringLiteral("XlsxExportAction"));
    connect(BackupsAction, &QAction::triggered, this,
            [this] { runHandler([this] { BackupsExecute(); }); });
    connect(TrendAction, &QAction::triggered, this,
            [this] { runHandler([this] { TrendExecute(); }); });
    connect(CsvExportAction, &QAction::triggered, this,
            [this] { runHandler([this] { CsvExportExecute(); }); });
    connect(XlsxExportAction, &QAction::triggered, this,
            [this] { runHandler([this] { XlsxExportExecute(); }); });
    OverviewAction =
        named(new QAction(QStringLiteral("Übersicht…"), this), QStringLiteral("OverviewAction"));
    OverviewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Udiaeresis));
    addAction(OverviewAction);
    connect(OverviewAction, &QAction::triggered, this,
            [this] { runHandler([this] { OverviewExecute(); }); });
    // A double click on the ranking's empty area (a row opens its subject).
    connect(settingsPage, &SettingsPage::rankingBackgroundDoubleClicked, this,
            [this] { runHandler([this] { OverviewExecute(); }); });
    buildUndoActions();
    // The shortcuts work in the whole window; the context menu shows them beside the entries.
    BackupsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    TrendAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    CsvExportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    addActions({BackupsAction, TrendAction, CsvExportAction});
    // A copy that cannot be made is said once per file and run in a warning box, shown when
    // the change it came before is done; the change goes on.
    backup_ = std::make_unique<DailyBackup>([this](const QString& fileName, const QString& reason) {
        QMetaObject::invokeMethod(
            this,
            [this, text = DailyBackup::failureMessage(fileName, reason)] {
                DialogService::instance().showMessage(this, MessageIcon::Warning,
                                                      DailyBackup::failureCaption(), text);
            },
            Qt::QueuedConnection);
    });
}

void TForm1::addExtraActions(QMenu& menu) {
    menu.addSeparator();
    BackupsAction->setEnabled(document_ != nullptr);
    menu.addAction(BackupsAction);
    if (document_ && !onSettingsTab())
        menu.addAction(TrendAction);
    CsvExportAction->setEnabled(document_ != nullptr);
    menu.addAction(CsvExportAction);
    XlsxExportAction->setEnabled(document_ != nullptr);
    menu.addAction(XlsxExportAction);
    OverviewAction->setEnabled(document_ != nullptr);
    menu.addAction(OverviewAction);
    // Disabled only for the menu: a file opened later takes the shortcuts at once.
    connect(&menu, &QMenu::aboutToHide, this, [this] {
        BackupsAction->setEnabled(true);
        CsvExportAction->setEnabled(true);
        XlsxExportAction->setEnabled(true);
        OverviewAction->setEnabled(true);
    });
    addUndoActions(menu);
    menu.addSeparator();
    Update->UpdateAction->setText(QStringLiteral("Nach Updates suchen…"));
    menu.addAction(Update->UpdateAction);
    Help->setText(QStringLiteral("Hilfe"));
    menu.addAction(Help);
}

void TForm1::watchForBackup() {
    document_->setBeforeWrite([this](const QString& fileName) { backup_->beforeChange(fileName); });
}

void TForm1::BackupsExecute() {
    if (!document_)
        return;
    BackupDialog dialog(document_->fileName(),
                        backup_->copyDueBeforeNextChange(document_->fileName()), this);
    connect(&dialog, &BackupDialog::restored, this,
            [this] { runHandler([this] { reloadDataFile(); }); });
    dialog.exec();
}

void TForm1::reloadDataFile() {
    const QString subject = currentSubject();
    settingsPage->StandardFile->setText(document_->fileName());
    OpenDataFile();
    // The subject shown may be gone from the restored file: then the settings page shows,
    // with its tab.
    if (!subject.isEmpty() && Subjects->indexOf(subject) >= 0)
        openTab(subject);
    else
        ShowSettingsExecute();
}

void TForm1::TrendExecute() {
    if (!document_ || onSettingsTab())
        return;
    TrendDialog dialog(TrendData{currentSubject(), document_->tests().tests()}, this);
    dialog.exec();
}

namespace {

// Asks where the grade book goes, proposing the data file's name with the suffix beside it;
// empty when the user cancels.
QString chooseExportFile(QWidget* parent, const QString& dataFileName, const QString& title,
                         const QString& filter, const QString& suffix) {
    const QFileInfo dataFile(dataFileName);
    FileDialogOptions options;
    options.title = title;
    options.filter = filter;
    options.defaultSuffix = suffix;
    options.initialFileName =
        dataFile.absoluteDir().filePath(dataFile.completeBaseName() + u'.' + suffix);
    options.save = true;
    // F1 in the file dialog explains the exports.
    options.helpTopic = QStringLiteral("CsvExport");
    return DialogService::instance().chooseFile(parent, options);
}

} // namespace

void TForm1::CsvExportExecute() {
    if (!document_)
        return;
    const QString fileName =
        chooseExportFile(this, document_->fileName(), QStringLiteral("Als CSV exportieren"),
                         QStringLiteral("CSV-Dateien (*.csv)"), "csv");
    if (fileName.isEmpty())
        return;
    exportGradeBookCsv(document_->store(), fileName);
    SB->showMessage(QStringLiteral("Die Tabelle wurde nach %1 geschrieben.")
                        .arg(QDir::toNativeSeparators(fileName)));
}

void TForm1::XlsxExportExecute() {
    if (!document_)
        return;
    const QString fileName = chooseExportFile(
        this, document_->fileName(), QStringLiteral("Als Excel-Arbeitsmappe exportieren"),
        QStringLiteral("Excel-Arbeitsmappen (*.xlsx)"), "xlsx");
    if (fileName.isEmpty())
        return;
    exportGradeBookWorkbook(document_->store(), fileName);
    SB->showMessage(QStringLiteral("Die Arbeitsmappe wurde nach %1 geschrieben.")
                        .arg(QDir::toNativeSeparators(fileName)));
}

void TForm1::OverviewExecute() {
    if (!document_)
        return;
    OverviewDialog dialog(SubjectOverview::read(document_->store(), document_->subjects().toList()),
                          currentSubject(), this);
    dialog.exec();
}
