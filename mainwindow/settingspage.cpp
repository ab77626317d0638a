#include "mainwindow/settingspage.h"

#include "gradedata/gradebook.h"
#include "gradedata/subjectlistmodel.h"
#include "mainwindow/formparts.h"
#include "mainwindow/rowdelegate.h"
#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "stats/drawstyle.h"
#include "stats/rankinglistmodel.h"
#include "stats/rankingrowpainter.h"
#include "widgets/bandedstyle.h"
#include "widgets/imagebutton.h"
#include "widgets/pictures.h"
#include "widgets/tvelaimage.h"
#include "widgets/uniformrows.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

using namespace Anchoring;
using namespace FormParts;

SettingsPage::SettingsPage(QWidget* parent)
    : QWidget(parent), subjects_(new SubjectListModel(this)),
      rankingRows_(new RankingListModel(this)) {
    setObjectName(QStringLiteral("Settings"));
    setDesignSize(this, PageDesignSize);

    Dateiverwaltung = named(new QGroupBox(QStringLiteral("Datei&verwaltung"), this),
                            QStringLiteral("Dateiverwaltung"));
    place(Dateiverwaltung, {16, 8, 337, 169});
    setDesignSize(Dateiverwaltung, {337, 169});
    Label1 = named(
        label(Dateiverwaltung, QStringLiteral("Anfangs zu ladende &Datei:"), {16, 22, 305, 16}),
        QStringLiteral("Label1"));
    StandardFile = hinted(named(new QLineEdit(Dateiverwaltung), QStringLiteral("StandardFile")),
                          QStringLiteral("Geben Sie hier die zu ladende oder neu zu erstellende "
                                         "Datei an, in der die Daten gespeichert werden sollen."));
    place(StandardFile, {16, 40, 305, 21});
    Label1->setBuddy(StandardFile);
    GetFileB = hinted(
        named(new QPushButton(QStringLiteral("Datei suchen/neu erstellen"), Dateiverwaltung),
              QStringLiteral("GetFileB")),
        QStringLiteral("Zeigt einen Dialog, mit dessen Hilfe Sie eine Datei auswählen können."));
    place(GetFileB, {152, 64, 171, 25});
    FileOK = hinted(named(new QPushButton(QStringLiteral("Übernehmen"), Dateiverwaltung),
                          QStringLiteral("FileOK")),
                    QStringLiteral("Lädt oder erstellt die angegebene Datei."));
    FileOK->setFont(boldened(FileOK->font()));
    place(FileOK, {8, 104, 315, 57}, RightBottom);

    GroupBox1 =
        named(new QGroupBox(QStringLiteral("Schul&fächer"), this), QStringLiteral("GroupBox1"));
    place(GroupBox1, {16, 192, 337, 321}, LeftTopBottom);
    setDesignSize(GroupBox1, {337, 321});
    Set1 = hinted(named(new QListView(GroupBox1), QStringLiteral("Set1")),
                  QStringLiteral("Liste der Schulfächer"));
    Set1->setModel(subjects_);
    // Rows of different names may differ in size, so each row is measured; a list of many
    // thousands of subjects is measured a part at a time between the window's other work, so
    // that the window shows (and answers) before the whole list is measured. Where every name
    // is in the list's face and none is wider than the list, one row is measured for all.
    Set1->setLayoutMode(QListView::Batched);
    Set1->setBatchSize(1000);
    UniformRows::keep(Set1);
    Set1->setAccessibleName(QStringLiteral("Schulfächer"));
    place(Set1, {16, 24, 305, 252}, AllEdges);
    Set2 = hinted(
        named(new QPushButton(QStringLiteral("Hinzufügen"), GroupBox1), QStringLiteral("Set2")),
        QStringLiteral("Fügt ein neues Schulfach zur Liste hinzu."));
    place(Set2, {16, 280, 129, 25}, LeftBottom);
    Set3 = hinted(
        named(new QPushButton(QStringLiteral("Entfernen"), GroupBox1), QStringLiteral("Set3")),
        QStringLiteral("Löscht die Daten zum aktuell ausgewählten Schulfach."));
    place(Set3, {194, 280, 129, 25}, RightBottom);

    GroupBox3 = named(new QGroupBox(QStringLiteral("&Bestenliste der Schulfächer"), this),
                      QStringLiteral("GroupBox3"));
    place(GroupBox3, {368, 8, 385, 353}, AllEdges);
    setDesignSize(GroupBox3, {385, 353});
    Set4 = hinted(named(new QListView(GroupBox3), QStringLiteral("Set4")),
                  QStringLiteral("Zeigt die vorhandenen Schulfächer nach dem "
                                 "Klassendurchschnitt geordnet."));
    Set4->setAccessibleName(QStringLiteral("Bestenliste der Schulfächer"));
    Set4->setModel(rankingRows_);
    Set4->setItemDelegate(new OwnerDrawDelegate(
        RowHeight,
        [this](QPainter& p, int row, const QRect& rect, bool selected) {
            drawRankingRow(p, row, rect, selected);
        },
        Set4));
    Set4->setUniformItemSizes(true);
    Set4->viewport()->installEventFilter(this);
    place(Set4, {16, 24, 353, 313}, AllEdges);

    GroupBox4 = named(new QGroupBox(QStringLiteral("An&sicht"), this), QStringLiteral("GroupBox4"));
    place(GroupBox4, {368, 368, 385, 57}, LeftRightBottom);
    setDesignSize(GroupBox4, {385, 57});
    DiagramLabels = named(new QCheckBox(QStringLiteral("Diagramme beschriften"), GroupBox4),
                          QStringLiteral("DiagramLabels"));
    DiagramLabels->setChecked(true);
    place(DiagramLabels, {8, 24, 193, 17});
    // The frames of the page's groups and the scroll bars of its lists are drawn a band of
    // rows at a time.
    for (QGroupBox* group : {Dateiverwaltung, GroupBox1, GroupBox3, GroupBox4})
        group->setStyle(BandedStyle::shared());
    for (QListView* list : {Set1, Set4})
        list->verticalScrollBar()->setStyle(BandedStyle::shared());

    // The logo; its white lets the page show through.
    InfoP = named(new TVelaImage(this), QStringLiteral("InfoP"));
    InfoP->setPicture(logoBitmap());
    InfoP->setTransparent(true);
    InfoP->setCursor(Qt::PointingHandCursor);
    makeImageButton(InfoP, QStringLiteral("Info über Zensoria"));
    connect(InfoP, &TVelaImage::clicked, this, &SettingsPage::infoClicked);
    // Its context menu is the window's, which holds "&Info".
    InfoP->setContextMenuPolicy(Qt::NoContextMenu);
    place(InfoP, {609, 440, 142, 63}, RightBottom);

    // Disabled until a data file is open.
    for (QWidget* subjectControl : {static_cast<QWidget*>(Set1), static_cast<QWidget*>(Set2),
                                    static_cast<QWidget*>(Set3), static_cast<QWidget*>(Set4)})
        subjectControl->setEnabled(false);
}

void SettingsPage::chooseDataFile() {
    FileDialogOptions options;
    options.title = QStringLiteral("Datei angeben");
    options.filter = QStringLiteral("Zensoriadateien (*.plx)");
    options.defaultSuffix = QStringLiteral("plx");
    // It opens in the folder of the file named in the field, else in the home folder.
    const QString named = StandardFile->text();
    const QFileInfo file(named);
    if (named.contains(u'/') && file.absoluteDir().exists())
        options.initialFileName = file.absoluteFilePath();
    else
        options.initialFileName = QDir::homePath();
    const QString chosen = DialogService::instance().chooseFile(window(), options);
    if (!chosen.isEmpty())
        StandardFile->setText(chosen);
}

void SettingsPage::showSubjects(const SubjectList& subjects) {
    const QSignalBlocker blocker(Set1->selectionModel());
    subjects_->setSubjects(subjects);
}

void SettingsPage::showRankingOf(const GradeBook* book) {
    if (!book) {
        ranking_.clear();
        showRanking({});
        return;
    }
    try {
        ranking_.of(*book);
    } catch (const AppError&) {
        showRanking(ranking_.entries());
        throw;
    }
    showRanking(ranking_.entries());
}

void SettingsPage::showRanking(const QList<RankedSubject>& ranking) {
    // The rows are made again (and the selection lost) only when the entries changed.
    rankingRows_->setEntries(ranking);
}

const QList<RankedSubject>& SettingsPage::ranking() const {
    return rankingRows_->entries();
}

void SettingsPage::drawRankingRow(QPainter& painter, int row, const QRect& rect, bool selected) {
    if (row >= ranking().size())
        return;
    DrawStyle style = listStyle(Set4, selected, DiagramLabels->isChecked());
    style.texts = &texts_;
    paintRankingRow(painter, rect, ranking().at(row), row, style);
}

bool SettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Set4->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            !Set4->indexAt(mouse->position().toPoint()).isValid()) {
            emit rankingBackgroundDoubleClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString SettingsPage::selectedRankedSubject() const {
    const QModelIndex current = Set4->currentIndex();
    if (current.isValid() && current.row() < ranking().size() &&
        Set4->selectionModel()->isSelected(current))
        return ranking().at(current.row()).subject;
    return QString();
}

bool SettingsPage::addSubjectTo(GradeBook& book) {
    const QString name = DialogService::instance().inputText(
        window(), QStringLiteral("Schulfach hinzufügen"),
        QStringLiteral("Geben Sie das Schulfach an."), QString());
    if (name.isEmpty())
        return false;
    switch (book.addSubject(name)) {
    case GradeBook::Addition::Unusable:
        DialogService::instance().showMessage(
            window(), MessageIcon::Information, QStringLiteral("Fehlerhafte Angabe"),
            QStringLiteral("Dieser Name kann nicht als Schulfach verwendet werden."));
        return false;
    case GradeBook::Addition::Exists:
        Set1->selectionModel()->setCurrentIndex(subjects_->index(book.findSubject(name)),
                                                QItemSelectionModel::ClearAndSelect);
        DialogService::instance().showMessage(window(), MessageIcon::Information,
                                              QStringLiteral("Fehlerhafte Angabe"),
                                              QStringLiteral("Dieses Fach existiert bereits."));
        return false;
    case GradeBook::Addition::Added:
        break;
    }
    return true;
}

QString SettingsPage::selectedSubject() const {
    const QModelIndexList selected = Set1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

bool SettingsPage::confirmRemoval(const QString& subject) {
    systemBeep();
    return DialogService::instance().askYesNo(
        window(), MessageIcon::Warning, QString(),
        QStringLiteral("Sollen wirklich alle Daten zum Fach ") + subject +
            QStringLiteral(" gelöscht werden?"));
}
