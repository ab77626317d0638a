#include "platform/privatefolder.h"
#include "platform/singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The single-instance lock and socket lie in the user's own folder, never in the shared
// temporary folder, where another user could take the name first or answer in their place.
class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void namesLieInThePrivateFolder() {
        const QString name = QStringLiteral("Vela-Software Zensoria");
        for (const QString& path :
             {SingleInstance::lockFilePath(name), SingleInstance::serverName(name)}) {
            QCOMPARE(QFileInfo(path).absolutePath(), userPrivateFolder());
            QVERIFY(!path.startsWith(QDir::tempPath() + u'/'));
        }
        const QFileInfo folder(userPrivateFolder());
        QVERIFY(folder.isDir() && !folder.isSymLink());
        QCOMPARE(folder.permissions() & 0x0077, QFileDevice::Permissions());
        // A long name still fits a socket's path.
        QVERIFY(SingleInstance::serverName(QString(300, u'x')).size() <= 100);
    }

    void privateFolders() {
        QTemporaryDir root;
        const QString open = root.filePath(QStringLiteral("offen"));
        QVERIFY(QDir().mkpath(open));
        QVERIFY(QFile::setPermissions(open, QFileDevice::Permissions(0x7777)));
        QVERIFY(makePrivateFolder(open));
        QCOMPARE(QFileInfo(open).permissions() & 0x0077, QFileDevice::Permissions());
        QVERIFY(QFile::link(open, root.filePath(QStringLiteral("verweis"))));
        QVERIFY(!makePrivateFolder(root.filePath(QStringLiteral("verweis"))));
        QVERIFY(!makePrivateFolder(QString()));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
