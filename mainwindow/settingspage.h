#pragma once

#include "stats/ranking.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TVelaImage;

// Page "Settings" of the main window: the data file, the subjects and their ranking, the
// view option "Diagramme beschriften" and the logo. It holds the controls at their designed
// places and draws the ranking it shows; the window connects the controls to its handlers.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);

    // Asks with the file dialog for the data file to open or create and puts the chosen name
    // into StandardFile; nothing is opened yet.
    void chooseDataFile();
    // Shows the subjects in Set1, in their order.
    void showSubjects(const QStringList& subjects);
    // Shows the ranking in Set4; the list is refilled only when the ranking differs.
    void showRanking(const QList<RankedSubject>& ranking);
    const QList<RankedSubject>& ranking() const { return ranking_; }
    void drawRankingRow(QPainter& painter, int row, const QRect& rect, bool selected);

signals:
    // A click on the logo.
    void infoClicked();

private:
    QList<RankedSubject> ranking_;

public:
    QGroupBox* Dateiverwaltung;
    QLabel* Label1;
    QLineEdit* StandardFile;
    QPushButton* GetFileB;
    QPushButton* FileOK;
    QGroupBox* GroupBox1;
    QListWidget* Set1; // the subjects, alphabetical
    QPushButton* Set2; // "Hinzufügen"
    QPushButton* Set3; // "Entfernen"
    QGroupBox* GroupBox3;
    QListWidget* Set4; // the ranking of the subjects by class average
    QGroupBox* GroupBox4;
    QCheckBox* DiagramLabels;
    TVelaImage* InfoP; // the logo; a click opens the about dialog
};
