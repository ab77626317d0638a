#include "backup/backupdialog.h"

#include "gradedata/formats.h"
#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

QString backupDateText(const BackupCopy& copy) {
    QString text = ShortDateText(copy.date);
    if (copy.sequence > 1)
        text += QStringLiteral(" (%1)").arg(copy.sequence);
    if (copy.shared)
        text += QStringLiteral(" (gemeinsamer Ordner)");
    return text;
}

BackupDialog::BackupDialog(const QString& dataFileName, bool copyDueBeforeNextChange,
                           QWidget* parent)
    : QDialog(parent), store_(dataFileName) {
    setObjectName(QStringLiteral("BackupDialog"));
    setWindowTitle(QStringLiteral("Sicherungen von ") + QFileInfo(dataFileName).fileName());

    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
    InfoLabel->setWordWrap(true);
    InfoLabel->setTextFormat(Qt::PlainText);
    // Whose copies these are: equally named files in other folders have copies of their own.
    FileLabel = new QLabel(this);
    FileLabel->setObjectName(QStringLiteral("FileLabel"));
    FileLabel->setWordWrap(true);
    FileLabel->setTextFormat(Qt::PlainText);
    FileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FileLabel->setText(QStringLiteral("Datei: ") +
                       QDir::toNativeSeparators(QFileInfo(dataFileName).absoluteFilePath()));
    Copies = new QTreeWidget(this);
    Copies->setObjectName(QStringLiteral("Copies"));
    Copies->setRootIsDecorated(false);
    Copies->setAccessibleName(windowTitle());
    Copies->setUniformRowHeights(true);
    Copies->setHeaderLabels(
        {QStringLiteral("Gesichert am"), QStringLiteral("Arbeiten"), QStringLiteral("Größe")});
    Copies->header()->setStretchLastSection(false);
    Copies->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Copies->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Copies->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    SharedLabel = new QLabel(QStringLiteral("Sicherungen mit dem Zusatz „gemeinsamer Ordner“ "
                                            "stammen aus der Zeit, als alle Dateien dieses "
                                            "Namens einen Ordner teilten; sie können auch zu "
                                            "einer gleichnamigen Datei in einem anderen Ordner "
                                            "gehören."),
                             this);
    SharedLabel->setObjectName(QStringLiteral("SharedLabel"));
    SharedLabel->setWordWrap(true);
    SharedLabel->setTextFormat(Qt::PlainText);
    FolderLabel = new QLabel(this);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    FolderLabel->setWordWrap(true);
    FolderLabel->setTextFormat(Qt::PlainText);
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FolderLabel->setText(QStringLiteral("Ordner: ") + QDir::toNativeSeparators(store_.folder()));
    Restore = new QPushButton(QStringLiteral("Wiederherstellen"), this);
    Restore->setObjectName(QStringLiteral("Restore"));
    CloseBtn = new QPushButton(QStringLiteral("Schließen"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Restore);
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addWidget(FileLabel);
    layout->addWidget(Copies, 1);
    layout->addWidget(SharedLabel);
    layout->addWidget(FolderLabel);
    layout->addLayout(buttons);

    connect(Copies, &QTreeWidget::itemSelectionChanged, this, &BackupDialog::updateButtons);
    connect(Copies, &QTreeWidget::itemDoubleClicked, this, &BackupDialog::RestoreClick);
    connect(Restore, &QPushButton::clicked, this, &BackupDialog::RestoreClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    Help::addHelpKey(this, QStringLiteral("Backups"));

    refresh();
    // Each copy holds the file as it was before the first change of the day it was made (or
    // before a restore); a file made today gets its first copy on a later day.
    const QString rule = QStringLiteral("Jede Sicherung enthält die Datei, wie sie vor der "
                                        "ersten Änderung des Tages war; die letzten %1 "
                                        "Sicherungen bleiben.")
                             .arg(BackupStore::KeptCopies);
    if (!copies_.isEmpty())
        InfoLabel->setText(rule);
    else if (copyDueBeforeNextChange)
        InfoLabel->setText(QStringLiteral("Von dieser Datei gibt es noch keine Sicherung. Die "
                                          "erste wird vor der nächsten Änderung angelegt. ") +
                           rule);
    else
        InfoLabel->setText(QStringLiteral("Von dieser Datei gibt es noch keine Sicherung. Die "
                                          "erste wird vor der ersten Änderung an einem der "
                                          "nächsten Tage angelegt. ") +
                           rule);
    // What the list holds and how long copies stay, read out with the list.
    Copies->setAccessibleDescription(InfoLabel->text());
    resize(480, 400);
}

void BackupDialog::refresh() {
    copies_ = store_.copies();
    const QLocale& locale = LocaleFormats::current().locale();
    Copies->clear();
    for (const BackupCopy& copy : copies_) {
        QString tests;
        try {
            tests = QString::number(countTestsInFile(copy.filePath));
        } catch (const AppError&) {
            tests = QStringLiteral("–");
        }
        auto* item = new QTreeWidgetItem(
            {backupDateText(copy), tests, locale.toString(copy.size) + QStringLiteral(" Bytes")});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        Copies->addTopLevelItem(item);
    }
    SharedLabel->setVisible(std::any_of(copies_.begin(), copies_.end(),
                                        [](const BackupCopy& copy) { return copy.shared; }));
    if (Copies->topLevelItemCount() > 0)
        Copies->setCurrentItem(Copies->topLevelItem(0));
    updateButtons();
}

void BackupDialog::updateButtons() {
    Restore->setEnabled(Copies->currentItem() != nullptr && !copies_.isEmpty());
}

void BackupDialog::RestoreClick() {
    const int row = Copies->indexOfTopLevelItem(Copies->currentItem());
    if (row < 0 || row >= copies_.size())
        return;
    const BackupCopy chosen = copies_[row];
    const QString question =
        QStringLiteral("Soll die Datei %1 durch die Sicherung vom %2 ersetzt werden?\r\n\r\n"
                       "Der jetzige Stand wird vorher gesichert.")
            .arg(QFileInfo(store_.dataFileName()).fileName(), backupDateText(chosen));
    if (!DialogService::instance().askYesNo(this, MessageIcon::Question,
                                            QStringLiteral("Sicherung wiederherstellen"), question))
        return;
    std::optional<BackupCopy> previous;
    try {
        previous = store_.restore(chosen);
    } catch (const AppError& error) {
        showErrorMessage(error);
        refresh();
        return;
    }
    refresh();
    QString done =
        QStringLiteral("Die Sicherung vom %1 wurde wiederhergestellt.").arg(backupDateText(chosen));
    if (previous)
        done += QStringLiteral(" Der vorige Stand ist als Sicherung vom %1 erhalten.")
                    .arg(backupDateText(*previous));
    InfoLabel->setText(done);
    emit restored();
}
