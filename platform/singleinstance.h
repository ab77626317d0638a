#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Keeps a program to one running instance per user. The first instance holds a lock on a file
// and listens on a local socket; a later one finds the lock taken, asks the first over the
// socket to bring its window to the front, and learns that it should end.
//
// The lock is the system's lock on the open file, which ends with the process that holds it:
// a crashed instance leaves only the file and a socket behind, and the socket is removed
// before listening.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name identifies the program; the user name is added, so every user has an instance.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first instance; it then keeps the name until it is destroyed.
    // False when another instance holds the name; that one has been asked to come to the front.
    bool claim();

    // Path of the local socket and of the lock file for name and the current user, in the
    // user's private folder (userPrivateFolder), so that no other user can take the name
    // first or answer in this program's place.
    static QString serverName(const QString& name);
    static QString lockFilePath(const QString& name);

signals:
    // Another instance was started and asks this one to show its window.
    void raiseRequested();

private:
    void readRequest();

    QString name_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};
