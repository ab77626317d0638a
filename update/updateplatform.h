#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the online update needs from the system, each settable by tests so that no test
// depends on the machine it runs on or reaches beyond 127.0.0.1.
namespace UpdatePlatform {

// The update server, host name with an optional port ("127.0.0.1:8080"). Built in from the
// CMake cache variable ZENSORIA_UPDATE_HOST; empty restores the built-in host.
QString host();
void setHost(const QString& host);

// The Ed25519 public key (32 bytes) that an update archive's signature must match. Built in
// from the CMake cache variable ZENSORIA_UPDATE_PUBLIC_KEY (hex); empty when the build has
// none, and then every archive is refused. setPublicKeyHex("") restores the built-in key.
QByteArray publicKey();
void setPublicKeyHex(const QString& hex);
// 64 hex digits as 32 bytes; nothing for any other text.
std::optional<QByteArray> publicKeyFromHex(const QString& hex);

// The running program file: the program folder (ProgramFolder) with the file name of the
// running executable. Tests point the program folder at a scratch folder.
QString programFilePath();

// The folder of the user's own below which each update run makes its private working folder
// (UpdateWorkFolder): $XDG_RUNTIME_DIR when it is set, else "zensoria" in the user's cache
// folder; never the shared temporary folder. Tests set a scratch folder; empty restores the
// system's.
QString workFolderBase();
void setWorkFolderBase(const QString& folder);

// Whether the machine has a network connection. Tests force the answer; nothing restores
// the system's.
bool internetConnected();
void setInternetConnected(std::optional<bool> connected);

// Whether the program file lies on a drive from which updates are looked for: a removable,
// fixed, network or RAM drive. A CD or DVD file system (iso9660, udf), or a file whose drive
// cannot be determined (missing file), is refused.
bool updatableDrive(const QString& programFile);

// Starts the shell script detached, without a terminal; the program does not wait for it.
bool startScriptDetached(const QString& scriptPath);

} // namespace UpdatePlatform
