#include "support/TestFtpServer.h"

#include "support/LumoraServer.h"
#include "support/ProftpdServer.h"
#include "support/SshServer.h"
#include "support/TestEnv.h"
#include "support/VsftpdServer.h"

#include <QDir>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

bool TestFtpServer::writeFile(const QString& relativePath, const QByteArray& data) const {
    return testEnv::writeFile(root() + QLatin1Char('/') + relativePath, data);
}

QByteArray TestFtpServer::readFile(const QString& relativePath) const {
    return testEnv::readFile(root() + QLatin1Char('/') + relativePath);
}

bool TestFtpServer::makeDir(const QString& relativePath) const {
    return QDir().mkpath(root() + QLatin1Char('/') + relativePath);
}

quint16 TestFtpServer::freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

quint16 TestFtpServer::startPortPrinter(QProcess& process, const QStringList& args,
                                        QString& error) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!process.waitForStarted(15000)) {
        error = QStringLiteral("Cannot start %1: %2").arg(args.value(0), process.errorString());
        return 0;
    }
    while (!process.canReadLine() && process.waitForReadyRead(20000)) {
    }
    const QByteArray line = process.readLine().trimmed();
    const int port = line.startsWith("PORT ") ? line.mid(5).toInt() : 0;
    if (port <= 0 || port > 65535) {
        error = QStringLiteral("%1 did not start (output: \"%2\")")
                    .arg(args.value(0), QString::fromUtf8(line));
        return 0;
    }
    error.clear();
    return static_cast<quint16>(port);
}

bool TestFtpServer::seedTree() {
    QProcess seed;
    seed.setProcessChannelMode(QProcess::MergedChannels);
    seed.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import sys; sys.path.insert(0, sys.argv[1]); import lumora_server; "
                               "lumora_server.seed_tree(sys.argv[2], sys.argv[3] == 'demo')"),
                testEnv::toolsDir(), root(),
                options_.demoSeed ? QStringLiteral("demo") : QStringLiteral("layout")});
    if (!dir_.isValid() || !seed.waitForFinished(30000) || seed.exitCode() != 0) {
        error_ = QStringLiteral("Cannot seed the server tree: %1")
                     .arg(QString::fromUtf8(seed.readAll()) + seed.errorString());
        return false;
    }
    return true;
}

bool TestFtpServer::launchOnAPort(const std::function<bool(bool& portInUse)>& launch) {
    const bool choosePort = port_ == 0;
    bool portInUse = true;
    for (int attempt = 0; attempt < 10 && portInUse; ++attempt) {
        if (choosePort)
            port_ = freeLoopbackPort();
        else if (attempt > 0)
            QThread::msleep(200);
        if (launch(portInUse))
            return true;
    }
    if (choosePort)
        port_ = 0;
    return false;
}

void TestFtpServer::stopProcess(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}

std::unique_ptr<TestFtpServer> selectedFtpServer(const TestFtpServer::Options& options) {
    const QString kind = qEnvironmentVariable("SF_TEST_FTP_SERVER").trimmed().toLower();
    if (kind == QLatin1String("proftpd"))
        return std::make_unique<ProftpdServer>(options);
    if (kind == QLatin1String("vsftpd"))
        return std::make_unique<VsftpdServer>(options);
    if (kind == QLatin1String("sftp"))
        return std::make_unique<SshServer>(options);
    if (!kind.isEmpty() && kind != QLatin1String("pyftpdlib"))
        qFatal("SF_TEST_FTP_SERVER=\"%s\" names no test server (choices: pyftpdlib, proftpd, "
               "vsftpd, sftp)",
               qPrintable(kind));
    return std::make_unique<LumoraServer>(options);
}
