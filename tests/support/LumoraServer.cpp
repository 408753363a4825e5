#include "support/LumoraServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

LumoraServer::LumoraServer() : LumoraServer(Options{}) {}

LumoraServer::LumoraServer(const Options& options) : options_(options) {}

LumoraServer::~LumoraServer() {
    stop();
}

QString LumoraServer::launcherPath() {
    return testEnv::toolsDir() + "/lumora_server.py";
}
QString LumoraServer::python() {
    return QStringLiteral("/usr/bin/python3");
}

bool LumoraServer::start() {
    stop();
    if (!dir_.isValid()) {
        error_ = QStringLiteral("Cannot create a temporary directory for the server");
        return false;
    }
    QStringList args{launcherPath(),
                     QStringLiteral("--root"),
                     root(),
                     QStringLiteral("--user"),
                     options_.user,
                     QStringLiteral("--password"),
                     options_.password,
                     QStringLiteral("--port"),
                     QString::number(port_),
                     QStringLiteral("--seed"),
                     options_.demoSeed ? QStringLiteral("demo") : QStringLiteral("layout"),
                     QStringLiteral("--exit-on-stdin-eof")};
    if (!options_.readonlyUser.isEmpty())
        args << QStringLiteral("--readonly-user")
             << options_.readonlyUser + QLatin1Char(':') + options_.readonlyPassword;

    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(python(), args);
    if (!process_->waitForStarted(15000)) {
        error_ = QStringLiteral("Cannot start %1: %2").arg(python(), process_->errorString());
        process_.reset();
        return false;
    }
    // The launcher prints "PORT <n>" once it accepts connections.
    QByteArray out;
    const QDeadlineTimer deadline(20000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (!process_->waitForReadyRead(
                static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            if (process_->state() != QProcess::Running)
                break;
        }
        out += process_->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    bool ok = false;
    const int port = line.startsWith("PORT ") ? line.mid(5).toInt(&ok) : 0;
    if (!ok || port <= 0 || port > 65535) {
        error_ = QStringLiteral("The Lumora server did not start (output: \"%1\")")
                     .arg(QString::fromUtf8(out));
        stop();
        return false;
    }
    port_ = static_cast<quint16>(port);
    error_.clear();
    return true;
}

void LumoraServer::stop() {
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(10000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
    process_.reset();
}

bool LumoraServer::restart() {
    return start();
}

bool LumoraServer::isRunning() const {
    return process_ && process_->state() == QProcess::Running;
}

QString LumoraServer::host() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}
QString LumoraServer::url() const {
    return QStringLiteral("FTP://") + host();
}
QString LumoraServer::root() const {
    return dir_.path() + QStringLiteral("/home");
}
QString LumoraServer::lumoraDir() const {
    return root() + QStringLiteral("/lumora");
}

bool LumoraServer::writeFile(const QString& relativePath, const QByteArray& data) const {
    const QString path = root() + QLatin1Char('/') + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray LumoraServer::readFile(const QString& relativePath) const {
    QFile file(root() + QLatin1Char('/') + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool LumoraServer::exists(const QString& relativePath) const {
    return QFileInfo::exists(root() + QLatin1Char('/') + relativePath);
}

bool LumoraServer::makeDir(const QString& relativePath) const {
    return QDir().mkpath(root() + QLatin1Char('/') + relativePath);
}
