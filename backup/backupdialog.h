#pragma once

#include "backup/backupstore.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;

// "Sicherungen anzeigen…": the copies of the open data file (date, number of tests, size),
// newest first, and "Wiederherstellen", which after a Ja/Nein question backs up the current
// state and replaces the file by the chosen copy.
class BackupDialog : public QDialog {
    Q_OBJECT
public:
    explicit BackupDialog(const QString& dataFileName, QWidget* parent = nullptr);

    // Restores the selected copy; a refused restore is shown in a message box.
    void RestoreClick();
    // Reads the list of copies again.
    void refresh();

signals:
    // The data file was replaced by a copy: everything shown of it is to be read again.
    void restored();

private:
    void updateButtons();

    BackupStore store_;
    QList<BackupCopy> copies_;
    QLabel* InfoLabel;
    QTreeWidget* Copies;
    QLabel* FolderLabel;
    QPushButton* Restore;
    QPushButton* CloseBtn;
};

// "05.12.2026", or "05.12.2026 (2)" for a further copy of the same day.
QString backupDateText(const BackupCopy& copy);
