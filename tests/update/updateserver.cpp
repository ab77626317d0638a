#include "updateserver.h"

void UpdateServer::serveSigned(const QString& path, const Response& archive, const QString& date) {
    serve(path, archive);
    const QString file = path.section(u'/', -1);
    serve(path + QStringLiteral(".sig"), keys_.signRelease(archive.body, TestRelease(file, date)));
}
