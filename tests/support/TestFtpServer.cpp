#include "support/TestFtpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool TestFtpServer::writeFile(const QString& relativePath, const QByteArray& data) const {
    const QString path = root() + QLatin1Char('/') + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray TestFtpServer::readFile(const QString& relativePath) const {
    QFile file(root() + QLatin1Char('/') + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestFtpServer::exists(const QString& relativePath) const {
    return QFileInfo::exists(root() + QLatin1Char('/') + relativePath);
}

bool TestFtpServer::makeDir(const QString& relativePath) const {
    return QDir().mkpath(root() + QLatin1Char('/') + relativePath);
}
