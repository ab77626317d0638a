#pragma once

#include "stats/canvas.h"
#include "stats/ranking.h"

#include <QWidget>

class GradeBook;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class RankingListModel;
class SubjectListModel;
class QPushButton;
class TVelaImage;

// Page "Settings" of the main window: the data file, the subjects and their ranking, the
// view option "Diagramme beschriften" and the logo. It holds the controls at their designed
// places, keeps and draws the ranking it shows, and asks the user what the subject list's
// buttons need to know; the window connects the controls to its handlers.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);

    // Asks with the file dialog for the data file to open or create and puts the chosen name
    // into StandardFile; nothing is opened yet.
    void chooseDataFile();
    // Shows the subjects in Set1, in their order (sharing the list until one of the two changes).
    void showSubjects(const SubjectList& subjects);
    // Shows the ranking of book's subjects in Set4, or none without a book. The ranking is
    // built again only when the file changed, and the list is refilled only when the ranking
    // differs. A faulty entry raises its AppError after the entries before it are shown.
    void showRankingOf(const GradeBook* book);
    // Forgets the ranking built, so that the next one is built from the file; Set4 keeps
    // showing its entries until then.
    void forgetRanking() { ranking_.clear(); }
    // Entries computed ahead from the store of the book shown next (see SubjectRanking).
    void usePreparedRanking(PreparedRanking prepared) { ranking_.usePrepared(std::move(prepared)); }
    const QList<RankedSubject>& ranking() const;
    // The subject of the ranking row selected in Set4, empty when none is.
    QString selectedRankedSubject() const;

    // "Hinzufügen": asks for the name of a new subject and adds it to book. A name that cannot
    // be used or that exists already is reported (an existing one is selected in Set1).
    // Returns true when the subject was added.
    bool addSubjectTo(GradeBook& book);
    // "Entfernen": the subject selected in Set1, empty when none is.
    QString selectedSubject() const;
    // Asks, with a beep, whether all data of subject are to be deleted.
    bool confirmRemoval(const QString& subject);
    void drawRankingRow(QPainter& painter, int row, const QRect& rect, bool selected);

signals:
    // A click on the logo.
    void infoClicked();
    // A double click on the ranking list where it has no row.
    void rankingBackgroundDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showRanking(const QList<RankedSubject>& ranking);

    SubjectRanking ranking_;
    SubjectListModel* subjects_;    // what Set1 shows
    RankingListModel* rankingRows_; // what Set4 shows
    canvas::TextCache texts_;       // the ranking rows' texts, laid out once

public:
    QGroupBox* Dateiverwaltung;
    QLabel* Label1;
    QLineEdit* StandardFile;
    QPushButton* GetFileB;
    QPushButton* FileOK;
    QGroupBox* GroupBox1;
    QListView* Set1;   // the subjects, alphabetical
    QPushButton* Set2; // "Hinzufügen"
    QPushButton* Set3; // "Entfernen"
    QGroupBox* GroupBox3;
    QListView* Set4; // the ranking of the subjects by class average
    QGroupBox* GroupBox4;
    QCheckBox* DiagramLabels;
    TVelaImage* InfoP; // the logo; a click opens the about dialog
};
