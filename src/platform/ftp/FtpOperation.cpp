#include "platform/ftp/FtpOperation.h"

FtpOperation FtpOperation::ls(const QString& remote) {
    return {Kind::List, remote, {}};
}
FtpOperation FtpOperation::cd(const QString& remote) {
    return {Kind::ChangeDir, remote, {}};
}
FtpOperation FtpOperation::mkdir(const QString& remote) {
    return {Kind::MakeDir, remote, {}};
}
FtpOperation FtpOperation::rmdir(const QString& remote) {
    return {Kind::RemoveDir, remote, {}};
}
FtpOperation FtpOperation::remove(const QString& remote) {
    return {Kind::Delete, remote, {}};
}
FtpOperation FtpOperation::get(const QString& remote, const QString& local) {
    return {Kind::Get, remote, local};
}
FtpOperation FtpOperation::getAtMost(const QString& remote, const QString& local, qint64 maxBytes) {
    return {Kind::Get, remote, local, false, maxBytes};
}
FtpOperation FtpOperation::put(const QString& local, const QString& remote) {
    return {Kind::Put, remote, local};
}
FtpOperation FtpOperation::putNew(const QString& local, const QString& remote) {
    return {Kind::Put, remote, local, true};
}
FtpOperation FtpOperation::close() {
    return {Kind::Close, {}, {}};
}

QString FtpOperation::text() const {
    switch (kind) {
    case Kind::List:
        return QStringLiteral("LS ") + remote;
    case Kind::ChangeDir:
        return QStringLiteral("CD ") + remote;
    case Kind::MakeDir:
        return QStringLiteral("MKDIR ") + remote;
    case Kind::RemoveDir:
        return QStringLiteral("RMDIR ") + remote;
    case Kind::Delete:
        return QStringLiteral("DELETE ") + remote;
    case Kind::Get:
        return QStringLiteral("GET ") + remote + QLatin1Char(' ') + local;
    case Kind::Put:
        return QStringLiteral("PUT ") + local + QLatin1Char(' ') + remote;
    case Kind::Close:
        break;
    }
    return QStringLiteral("CLOSE");
}
