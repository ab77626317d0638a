#pragma once

#include <QString>
#include <QTemporaryDir>

// Keeps everything a test touches inside one temporary folder, removed afterwards:
//  - the program folder (Settings.ini, Pultex.hlp)       -> programFolder()
//  - the registry's storage folder                        -> registryFolder()
//  - the applications folder of the desktop entry         -> applicationsFolder()
//  - the system-wide one, empty: system/share/applications
//  - on request, TMPDIR and XDG_RUNTIME_DIR (the single-instance lock and socket, the
//    program's private folder)                            -> keepTemporaryFilesInside()
// The folders exist on construction; the destructor restores the real places.
//
//     TestFolders folders;
//     QVERIFY(folders.isValid());
//     QFile settings(folders.programFile("Settings.ini"));
class TestFolders {
public:
    TestFolders();
    ~TestFolders();
    TestFolders(const TestFolders&) = delete;
    TestFolders& operator=(const TestFolders&) = delete;

    bool isValid() const { return root_.isValid(); }
    QString root() const { return root_.path(); }
    QString programFolder() const;
    QString registryFolder() const;
    QString applicationsFolder() const;
    // A file in the program folder.
    QString programFile(const QString& fileName) const;
    // A file anywhere below the temporary folder.
    QString file(const QString& relativePath) const;
    // Points TMPDIR and XDG_RUNTIME_DIR to folders below the temporary folder, so that the
    // single instance's lock file and socket stay inside it and no other test run on the
    // machine meets them; the destructor puts the old values back.
    void keepTemporaryFilesInside();

private:
    struct SavedVariable {
        const char* name;
        bool had = false;
        QByteArray value;
    };

    QTemporaryDir root_;
    bool tmpdirSet_ = false;
    SavedVariable saved_[2] = {{"TMPDIR", false, {}}, {"XDG_RUNTIME_DIR", false, {}}};
};
