// The registry's storage file as another program or a damaged disk may leave it: reading never
// fails but with an AppError, a write always succeeds and reads back, every key that was readable
// before is still there afterwards, and a storage file that could not be read is kept aside.

#include "fuzzinput.h"
#include "platform/apperror.h"
#include "platform/registry.h"

namespace {

// Every key path below the key, depth first, within sane bounds.
void collectKeys(const Registry& registry, const QString& key, int depth, QStringList& out) {
    if (depth > 32 || out.size() > 2000)
        return;
    for (const QString& name : registry.subKeys(key)) {
        const QString path = key.isEmpty() ? name : key + u'\\' + name;
        out.append(path.toLower());
        collectKeys(registry, path, depth + 1, out);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString folder = fuzzFolder() + QStringLiteral("/registry");
    static const bool once = [&] {
        QDir().mkpath(folder);
        Registry::setStorageFolder(folder);
        return true;
    }();
    (void)once;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);

    FuzzInput input(data, size);
    const QString valueName = input.text(6);
    const QByteArray bytes = input.rest();
    const QString fileName = folder + QStringLiteral("/HKEY_CURRENT_USER.json");
    if (!writeFuzzFile(fileName, bytes))
        fuzzFailure("cannot write the storage file");

    const Registry registry(RegistryRoot::CurrentUser);
    QStringList before;
    collectKeys(registry, QString(), 0, before);
    for (const QString& key : std::as_const(before)) {
        try {
            (void)registry.readString(key, valueName);
            (void)registry.readInteger(key, valueName);
            (void)registry.readBinary(key, valueName);
        } catch (const AppError&) {
        }
        (void)registry.valueExists(key, valueName);
    }

    // A write goes through whatever the file held, and reads back.
    Registry writer(RegistryRoot::CurrentUser);
    const QString key = QStringLiteral("Software\\Vela\\Zensoria");
    writer.writeString(key, QStringLiteral("Probe"), valueName);
    FUZZ_CHECK(Registry(RegistryRoot::CurrentUser).readString(key, QStringLiteral("Probe")) ==
                   valueName,
               valueName);
    writer.writeInteger(key, QStringLiteral("Zahl"), -7);
    FUZZ_CHECK(Registry(RegistryRoot::CurrentUser).readInteger(key, QStringLiteral("Zahl")) == -7,
               QString());

    QStringList after;
    collectKeys(Registry(RegistryRoot::CurrentUser), QString(), 0, after);
    if (before.size() <= 2000) {
        for (const QString& path : std::as_const(before))
            FUZZ_CHECK(after.contains(path), path);
    }
    // A file that could not be read is kept aside as it was.
    const QString aside = fileName + QStringLiteral(".damaged");
    if (QFile::exists(aside))
        FUZZ_CHECK(readFuzzFile(aside) == bytes, QStringLiteral("the damaged file was not kept"));
    return 0;
}
