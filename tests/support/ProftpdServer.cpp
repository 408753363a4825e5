#include "support/ProftpdServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <crypt.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral("/usr/sbin/proftpd");

// A SHA-512 crypt hash of the password, the form ProFTPD's account files hold; empty when crypt
// fails, which leaves an account that no password opens.
QByteArray cryptHash(const QString& password) {
    crypt_data data{};
    const char* hash = crypt_r(password.toUtf8().constData(), "$6$lumoratestsalt$", &data);
    return hash && hash[0] != '*' ? QByteArray(hash) : QByteArray();
}

// ProFTPD refuses account files that others can read.
bool writePrivateFile(const QString& path, const QByteArray& data) {
    return testEnv::writeFile(path, data) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

// The tree (seeded by the same code as the pyftpdlib server's, so both serve the same layout
// and demo data) and the virtual accounts, mapped to the user running the test.
bool ProftpdServer::prepare() {
    if (!QFileInfo(kProgram).isExecutable()) {
        error_ =
            QStringLiteral("ProFTPD is not installed (%1 missing): run tools/setup").arg(kProgram);
        return false;
    }
    if (!seedTree())
        return false;
    QList<std::pair<QString, QString>> accounts{{options_.user, options_.password}};
    if (!options_.readonlyUser.isEmpty())
        accounts.append({options_.readonlyUser, options_.readonlyPassword});
    const QByteArray ids = QByteArray::number(::getuid()) + ':' + QByteArray::number(::getgid());
    QByteArray users;
    for (const auto& [name, password] : accounts)
        users += name.toUtf8() + ':' + cryptHash(password) + ':' + ids + "::" + root().toUtf8() +
                 ":/bin/sh\n";
    // The group of the user running the test: the server directory's (and its owner the user).
    const QByteArray groups = QFileInfo(dir_.path()).group().toLocal8Bit() +
                              ":x:" + QByteArray::number(::getgid()) + ":\n";
    if (!writePrivateFile(dir_.filePath("ftpd.passwd"), users) ||
        !writePrivateFile(dir_.filePath("ftpd.group"), groups)) {
        error_ = QStringLiteral("Cannot write the server's account files");
        return false;
    }
    return true;
}

bool ProftpdServer::writeConfig() {
    // Loopback only (SocketBindTight binds to DefaultAddress instead of all addresses); no delay
    // engine, so that a wrong password is answered at once; in the foreground the daemon logs to
    // its standard error, which goes to logPath(); uploads replace existing files, as the
    // Lumora server's do. (Standalone, umask 022 and no hidden stores are the defaults.)
    QString config =
        QStringLiteral(R"(ServerName "Lumora test server"
DefaultAddress 127.0.0.1
SocketBindTight on
UseIPv6 off
Port %1
User %2
Group %3
MaxInstances 64
AuthOrder mod_auth_file.c
AuthPAM off
AuthUserFile "%4/ftpd.passwd"
AuthGroupFile "%4/ftpd.group"
RequireValidShell off
UseFtpUsers off
WtmpLog off
UseReverseDNS off
DelayEngine off
DelayTable "%4/delay"
ControlsEngine off
ControlsSocket "%4/ctrls.sock"
ScoreboardFile "%4/scoreboard"
PidFile "%4/proftpd.pid"
SystemLog "%4/system.log"
TransferLog none
AllowOverwrite on
)")
            .arg(port_)
            .arg(QFileInfo(dir_.path()).owner(), QFileInfo(dir_.path()).group(), dir_.path());
    QStringList c;
    // Run by root the accounts are root's too; the session is then locked into the tree.
    if (::getuid() == 0)
        c << QStringLiteral("RootLogin on") << QStringLiteral("DefaultRoot ~");
    if (!options_.readonlyUser.isEmpty())
        c << QStringLiteral("<Limit WRITE>")
          << QStringLiteral("  DenyUser ") + options_.readonlyUser << QStringLiteral("</Limit>");
    // Then the test's own directives and those of the whole test run (";" or a line apart).
    c << extraConfig_
      << qEnvironmentVariable("SF_PROFTPD_EXTRA_CONFIG")
             .split(QRegularExpression(QStringLiteral("\\s*[;\n]\\s*")), Qt::SkipEmptyParts);
    config += c.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return testEnv::writeFile(configPath(), config.toUtf8());
}

// Starts the daemon on port_ and waits until its log says it listens. portInUse tells that the
// port was taken.
bool ProftpdServer::launch(bool& portInUse) {
    portInUse = false;
    if (!writeConfig()) {
        error_ = QStringLiteral("Cannot write %1").arg(configPath());
        return false;
    }
    process_ = std::make_unique<QProcess>();
    process_->setStandardOutputFile(logPath());
    process_->setStandardErrorFile(logPath());
    // The daemon never outlives the test process, even one that crashes.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start(kProgram, {QStringLiteral("-n"), QStringLiteral("-c"), configPath()});
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        // The state first: the log read after it holds all that a stopped daemon wrote.
        const bool stopped = process_->state() == QProcess::NotRunning;
        const QByteArray log = testEnv::readFile(logPath());
        if (stopped) {
            portInUse = log.contains("Address already in use");
            error_ = QStringLiteral("ProFTPD stopped at once: %1 %2")
                         .arg(process_->errorString(), QString::fromUtf8(log.right(2000)));
            process_.reset();
            return false;
        }
        if (log.contains("standalone mode STARTUP")) {
            error_.clear();
            return true;
        }
        process_->waitForFinished(50);
    }
    error_ = QStringLiteral("ProFTPD did not start on port %1: %2")
                 .arg(port_)
                 .arg(QString::fromUtf8(testEnv::readFile(logPath()).right(2000)));
    stop();
    return false;
}

bool ProftpdServer::start() {
    stop();
    if (!prepare())
        return false;
    return launchOnAPort([this](bool& portInUse) { return launch(portInUse); });
}
