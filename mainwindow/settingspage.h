#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Page "Settings" of the main window: the data file, the subjects and their ranking, the
// view option "Diagramme beschriften" and the logo. It holds the controls at their designed
// places; the window connects them to its handlers.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);

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
    QLabel* InfoP; // the logo; a click opens the about dialog
};
