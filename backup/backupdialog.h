#pragma once

#include "backup/backupstore.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;

// "Sicherungen anzeigen…": the copies of the open data file (the day each was made, number
// of tests, size), newest first, then those of the folder that equally named files shared
// before; and "Wiederherstellen", which after a Ja/Nein question backs up the current state
// and replaces the file by the chosen copy. copyDueBeforeNextChange tells whether the next
// change of the file makes a copy (DailyBackup), which a file without copies is told.
class BackupDialog : public QDialog {
    Q_OBJECT
public:
    explicit BackupDialog(const QString& dataFileName, bool copyDueBeforeNextChange = true,
                          QWidget* parent = nullptr);

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
    QLabel* FileLabel;
    QTreeWidget* Copies;
    QLabel* SharedLabel;
    QLabel* FolderLabel;
    QPushButton* Restore;
    QPushButton* CloseBtn;
};

// "05.12.2026", or "05.12.2026 (2)" for a further copy of the same day; a copy of the shared
// folder is marked "(gemeinsamer Ordner)".
QString backupDateText(const BackupCopy& copy);
