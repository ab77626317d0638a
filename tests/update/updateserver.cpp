#include "updateserver.h"

void UpdateServer::serveSigned(const QString& path, const Response& archive) {
    serve(path, archive);
    serve(path + QStringLiteral(".sig"), keys_.sign(archive.body));
}
