#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class RegistryRoot { LocalMachine, CurrentUser };

// The system registry: keys below two roots (per machine, per user), each key holding typed
// values (string, 32-bit integer, binary). On Linux every root is one file in the storage
// folder, written atomically. Key paths use backslashes ("Software\Vela\Zensoria") and, like
// value names, are compared without regard to case.
//
// Reading a value of another type than the one stored, or a value that does not exist with
// readInteger/readBinary, raises AppError("Ungültiger Datentyp für '<name>'"). A refused write
// of the storage file raises AppError as well.
class Registry {
public:
    explicit Registry(RegistryRoot root);

    // Folder of the storage files; tests set a temporary one. Empty restores the default
    // (the user's configuration folder).
    static void setStorageFolder(const QString& folder);
    static QString storageFolder();

    bool keyExists(const QString& key) const;
    // Opens the key with creation: creates it (and its parents) when missing.
    void createKey(const QString& key);
    // Deletes the key with everything below it; a missing key is no error.
    void deleteKey(const QString& key);
    // Names of the direct subkeys, as first written.
    QStringList subKeys(const QString& key) const;
    bool hasSubKey(const QString& key, const QString& name) const;

    bool valueExists(const QString& key, const QString& name) const;
    void deleteValue(const QString& key, const QString& name);

    // A missing string value reads as the empty text.
    QString readString(const QString& key, const QString& name) const;
    int readInteger(const QString& key, const QString& name) const;
    QByteArray readBinary(const QString& key, const QString& name) const;

    // Writing creates the key when it is missing.
    void writeString(const QString& key, const QString& name, const QString& value);
    void writeInteger(const QString& key, const QString& name, int value);
    void writeBinary(const QString& key, const QString& name, const QByteArray& value);

private:
    RegistryRoot root_;
};
