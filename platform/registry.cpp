#include "platform/registry.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <optional>

// Storage: one JSON file per root. A key is an object {"name", "values", "keys"}; "values" is
// an array of {"name", "type", "data"} with type "string", "integer" (a number) or "binary"
// (base64), "keys" an array of subkeys. Names keep the spelling they were first written with
// and are found without regard to case.

namespace {

enum class ValueType { String, Integer, Binary };

struct Value {
    QString name;
    ValueType type = ValueType::String;
    QString text;
    qint32 number = 0;
    QByteArray bytes;
};

struct Key {
    QString name;
    QList<Value> values;
    QList<Key> keys;
};

QString& folderOverride() {
    static QString folder;
    return folder;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList keyParts(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString rootFileName(RegistryRoot root) {
    const QString name = root == RegistryRoot::LocalMachine
                             ? QStringLiteral("HKEY_LOCAL_MACHINE.json")
                             : QStringLiteral("HKEY_CURRENT_USER.json");
    return QDir(Registry::storageFolder()).filePath(name);
}

QString typeName(ValueType type) {
    switch (type) {
    case ValueType::String:
        return QStringLiteral("string");
    case ValueType::Integer:
        return QStringLiteral("integer");
    case ValueType::Binary:
        return QStringLiteral("binary");
    }
    return QString();
}

Key keyFromJson(const QJsonObject& object) {
    Key key;
    key.name = object.value(QLatin1String("name")).toString();
    for (const QJsonValue& item : object.value(QLatin1String("values")).toArray()) {
        const QJsonObject v = item.toObject();
        Value value;
        value.name = v.value(QLatin1String("name")).toString();
        const QString type = v.value(QLatin1String("type")).toString();
        const QJsonValue data = v.value(QLatin1String("data"));
        if (type == QLatin1String("integer")) {
            value.type = ValueType::Integer;
            value.number = static_cast<qint32>(data.toInteger());
        } else if (type == QLatin1String("binary")) {
            value.type = ValueType::Binary;
            value.bytes = QByteArray::fromBase64(data.toString().toLatin1());
        } else {
            value.type = ValueType::String;
            value.text = data.toString();
        }
        key.values.append(value);
    }
    for (const QJsonValue& item : object.value(QLatin1String("keys")).toArray())
        key.keys.append(keyFromJson(item.toObject()));
    return key;
}

QJsonObject keyToJson(const Key& key) {
    QJsonArray values;
    for (const Value& value : key.values) {
        QJsonObject v{{QStringLiteral("name"), value.name},
                      {QStringLiteral("type"), typeName(value.type)}};
        switch (value.type) {
        case ValueType::String:
            v.insert(QStringLiteral("data"), value.text);
            break;
        case ValueType::Integer:
            v.insert(QStringLiteral("data"), value.number);
            break;
        case ValueType::Binary:
            v.insert(QStringLiteral("data"), QString::fromLatin1(value.bytes.toBase64()));
            break;
        }
        values.append(v);
    }
    QJsonArray keys;
    for (const Key& sub : key.keys)
        keys.append(keyToJson(sub));
    return QJsonObject{{QStringLiteral("name"), key.name},
                       {QStringLiteral("values"), values},
                       {QStringLiteral("keys"), keys}};
}

// The whole tree of one root, read from its file for every operation, so that several
// Registry objects (and processes) always see the same state.
class RootFile {
public:
    explicit RootFile(RegistryRoot root) : fileName_(rootFileName(root)) {
        QFile file(fileName_);
        if (!file.exists() || !file.open(QIODevice::ReadOnly))
            return;
        const QByteArray data = file.readAll();
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(data, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            damaged_ = true;
            return;
        }
        tree_ = keyFromJson(document.object());
    }

    const Key* find(const QString& path) const {
        const Key* key = &tree_;
        for (const QString& part : keyParts(path)) {
            key = child(*key, part);
            if (!key)
                return nullptr;
        }
        return key;
    }
    Key* find(const QString& path) { return const_cast<Key*>(std::as_const(*this).find(path)); }

    Key& findOrCreate(const QString& path) {
        Key* key = &tree_;
        for (const QString& part : keyParts(path)) {
            Key* next = const_cast<Key*>(child(*key, part));
            if (!next) {
                key->keys.append(Key{part, {}, {}});
                next = &key->keys.last();
            }
            key = next;
        }
        return *key;
    }

    // Removes the key with everything below it; true when there was one.
    bool remove(const QString& path) {
        QStringList parts = keyParts(path);
        if (parts.isEmpty())
            return false;
        const QString last = parts.takeLast();
        Key* parent = find(parts.join(QLatin1Char('\\')));
        if (!parent)
            return false;
        for (qsizetype i = 0; i < parent->keys.size(); ++i) {
            if (sameName(parent->keys[i].name, last)) {
                parent->keys.removeAt(i);
                return true;
            }
        }
        return false;
    }

    void save() {
        // A storage file that could not be read is kept aside instead of being lost.
        if (damaged_) {
            const QString aside = fileName_ + QStringLiteral(".damaged");
            QFile::remove(aside);
            QFile::copy(fileName_, aside);
        }
        QDir().mkpath(QFileInfo(fileName_).absolutePath());
        writeFileAtomically(fileName_, QJsonDocument(keyToJson(tree_)).toJson());
        damaged_ = false;
    }

    static const Key* child(const Key& key, const QString& name) {
        for (const Key& sub : key.keys) {
            if (sameName(sub.name, name))
                return &sub;
        }
        return nullptr;
    }

    static const Value* value(const Key& key, const QString& name) {
        for (const Value& value : key.values) {
            if (sameName(value.name, name))
                return &value;
        }
        return nullptr;
    }

    // Stores value in the key, creating both as needed, and saves the file; a value that is
    // already stored with the same type and data leaves the file untouched.
    void store(const QString& path, Value value) {
        Key& key = findOrCreate(path);
        for (Value& stored : key.values) {
            if (!sameName(stored.name, value.name))
                continue;
            if (stored.type == value.type && stored.text == value.text &&
                stored.number == value.number && stored.bytes == value.bytes)
                return;
            value.name = stored.name;
            stored = std::move(value);
            save();
            return;
        }
        key.values.append(std::move(value));
        save();
    }

private:
    QString fileName_;
    Key tree_;
    bool damaged_ = false;
};

AppError wrongType(const QString& name) {
    return AppError(QStringLiteral("Ungültiger Datentyp für '%1'").arg(name));
}

// The value of the given type, or nothing when it is missing; a value of another type
// raises the data-type error.
std::optional<Value> typedValue(RegistryRoot root, const QString& key, const QString& name,
                                ValueType type) {
    const RootFile file(root);
    const Key* found = file.find(key);
    const Value* value = found ? RootFile::value(*found, name) : nullptr;
    if (!value)
        return std::nullopt;
    if (value->type != type)
        throw wrongType(name);
    return *value;
}

} // namespace

Registry::Registry(RegistryRoot root) : root_(root) {}

void Registry::setStorageFolder(const QString& folder) {
    folderOverride() = folder;
}

QString Registry::storageFolder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    // The generic folder, not the application's own one: the application name differs
    // between the normal and the uninstall run, and both must see the same registry.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("zensoria-registry"));
}

bool Registry::keyExists(const QString& key) const {
    return RootFile(root_).find(key) != nullptr;
}

void Registry::createKey(const QString& key) {
    RootFile file(root_);
    if (file.find(key))
        return;
    file.findOrCreate(key);
    file.save();
}

void Registry::deleteKey(const QString& key) {
    RootFile file(root_);
    if (file.remove(key))
        file.save();
}

QStringList Registry::subKeys(const QString& key) const {
    const RootFile file(root_);
    QStringList names;
    if (const Key* found = file.find(key)) {
        for (const Key& sub : found->keys)
            names.append(sub.name);
    }
    return names;
}

bool Registry::hasSubKey(const QString& key, const QString& name) const {
    const RootFile file(root_);
    const Key* found = file.find(key);
    return found && RootFile::child(*found, name);
}

bool Registry::valueExists(const QString& key, const QString& name) const {
    const RootFile file(root_);
    const Key* found = file.find(key);
    return found && RootFile::value(*found, name);
}

void Registry::deleteValue(const QString& key, const QString& name) {
    RootFile file(root_);
    Key* found = file.find(key);
    if (!found)
        return;
    const qsizetype removed =
        found->values.removeIf([&](const Value& value) { return sameName(value.name, name); });
    if (removed > 0)
        file.save();
}

QString Registry::readString(const QString& key, const QString& name) const {
    const std::optional<Value> value = typedValue(root_, key, name, ValueType::String);
    return value ? value->text : QString();
}

int Registry::readInteger(const QString& key, const QString& name) const {
    const std::optional<Value> value = typedValue(root_, key, name, ValueType::Integer);
    if (!value)
        throw wrongType(name);
    return value->number;
}

QByteArray Registry::readBinary(const QString& key, const QString& name) const {
    const std::optional<Value> value = typedValue(root_, key, name, ValueType::Binary);
    if (!value)
        throw wrongType(name);
    return value->bytes;
}

void Registry::writeString(const QString& key, const QString& name, const QString& value) {
    RootFile(root_).store(key, Value{name, ValueType::String, value, 0, {}});
}

void Registry::writeInteger(const QString& key, const QString& name, int value) {
    RootFile(root_).store(key, Value{name, ValueType::Integer, {}, value, {}});
}

void Registry::writeBinary(const QString& key, const QString& name, const QByteArray& value) {
    RootFile(root_).store(key, Value{name, ValueType::Binary, {}, 0, value});
}
