#pragma once

#include "archivefixtures.h"
#include "support/testhttpserver.h"

// The update server of the tests: a TestHttpServer that serves an archive together with its
// detached signature ("<path>.sig" beside it), made with a key pair of the server's own, as the
// update's download fetches them. The program under test is given keys().publicKey.
//
//     UpdateServer server;
//     QVERIFY(server.listen());
//     server.serveSigned("/Updates/Pultex.zip", archive);
//     download.run(server.url("/Updates/Pultex.zip"), target, server.keys().publicKey);
class UpdateServer : public TestHttpServer {
public:
    using TestHttpServer::TestHttpServer;

    const KeyPair& keys() const { return keys_; }
    // Serves the archive at path and its signature at path + ".sig"; the signature is that of
    // the whole body, however the response sends it, as the release of "Zensoria" with the
    // path's file name and the date.
    void serveSigned(const QString& path, const Response& archive,
                     const QString& date = QStringLiteral("09.08.2003"));
    void serveSigned(const QString& path, const QByteArray& archive,
                     const QString& date = QStringLiteral("09.08.2003")) {
        serveSigned(path, Response::ok(archive), date);
    }

private:
    KeyPair keys_;
};
