#include "backup/backupdialog.h"

#include "gradedata/formats.h"
#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/localeformats.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QString backupDateText(const BackupCopy& copy) {
    QString text = ShortDateText(copy.date);
    if (copy.sequence > 1)
        text += QStringLiteral(" (%1)").arg(copy.sequence);
    return text;
}

BackupDialog::BackupDialog(const QString& dataFileName, QWidget* parent)
    : QDialog(parent), store_(dataFileName) {
    setObjectName(QStringLiteral("BackupDialog"));
    setWindowTitle(QStringLiteral("Sicherungen von ") + QFileInfo(dataFileName).fileName());

    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
    InfoLabel->setWordWrap(true);
    InfoLabel->setTextFormat(Qt::PlainText);
    Copies = new QTreeWidget(this);
    Copies->setObjectName(QStringLiteral("Copies"));
    Copies->setRootIsDecorated(false);
    Copies->setUniformRowHeights(true);
    Copies->setHeaderLabels(
        {QStringLiteral("Datum"), QStringLiteral("Arbeiten"), QStringLiteral("Größe")});
    Copies->header()->setStretchLastSection(false);
    Copies->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Copies->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Copies->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
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
    layout->addWidget(Copies, 1);
    layout->addWidget(FolderLabel);
    layout->addLayout(buttons);

    connect(Copies, &QTreeWidget::itemSelectionChanged, this, &BackupDialog::updateButtons);
    connect(Copies, &QTreeWidget::itemDoubleClicked, this, &BackupDialog::RestoreClick);
    connect(Restore, &QPushButton::clicked, this, &BackupDialog::RestoreClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);

    refresh();
    InfoLabel->setText(copies_.isEmpty()
                           ? QStringLiteral("Von dieser Datei gibt es noch keine Sicherung. Vor "
                                            "der ersten Änderung eines Tages wird sie gesichert.")
                           : QStringLiteral("Vor der ersten Änderung eines Tages wird die Datei "
                                            "gesichert; die letzten %1 Sicherungen bleiben.")
                                 .arg(BackupStore::KeptCopies));
    resize(440, 380);
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
