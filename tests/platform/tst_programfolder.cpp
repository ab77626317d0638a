#include "platform/programfolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestProgramFolder : public QObject {
    Q_OBJECT

private:
    QString userSettings() const {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("zensoria/Settings.ini"));
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { ProgramFolder::setPath(QString()); }

    void settingsBesideAProgramInAWritableFolder() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        ProgramFolder::setPath(folder.path());
        QCOMPARE(ProgramFolder::settingsFilePath(), folder.filePath("Settings.ini"));
    }

    void settingsOfAProgramInAReadOnlyFolderGoToTheUser() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        // Like /usr/libexec/zensoria: readable and searchable, not writable; also for root.
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                         QFile::ReadGroup | QFile::ExeGroup |
                                                         QFile::ReadOther | QFile::ExeOther));
        ProgramFolder::setPath(folder.path());
        const QString chosen = ProgramFolder::settingsFilePath();
        QFile::setPermissions(folder.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(chosen, userSettings());
        QVERIFY(!chosen.startsWith(folder.path()));
    }

    void settingsOfAProgramWhoseFolderIsGoneGoToTheUser() {
        ProgramFolder::setPath(QStringLiteral("/nonexistent/zensoria"));
        QCOMPARE(ProgramFolder::settingsFilePath(), userSettings());
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
