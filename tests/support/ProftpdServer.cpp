#include "support/ProftpdServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <crypt.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// True when an FTP server answers with its "220" greeting on the loopback port. The session is
// ended politely so that the server's log stays free of errors.
bool greets(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    bool ok = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        pollfd p{fd, POLLIN, 0};
        char buffer[256] = {};
        if (::poll(&p, 1, 5000) == 1 && ::recv(fd, buffer, sizeof buffer - 1, 0) >= 3)
            ok = qstrncmp(buffer, "220", 3) == 0;
        if (ok)
            (void)!::send(fd, "QUIT\r\n", 6, MSG_NOSIGNAL);
    }
    ::close(fd);
    return ok;
}

// A SHA-512 crypt hash of the password, the form ProFTPD's account files hold.
QByteArray cryptHash(const QString& password) {
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_r(password.toUtf8().constData(), "$6$lumoratestsalt$", data.get());
    if (!hash || hash[0] == '*')
        return {};
    return QByteArray(hash);
}

bool writePrivateFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        return false;
    // ProFTPD refuses account files that others can read.
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

QString ProftpdServer::program() {
    const QString chosen = qEnvironmentVariable("SF_PROFTPD");
    return chosen.isEmpty() ? QStringLiteral("/usr/sbin/proftpd") : chosen;
}

// The tree (seeded by the same code as the pyftpdlib server's, so both serve the same layout
// and demo data) and the account files.
bool ProftpdServer::prepare() {
    if (!QFileInfo(program()).isExecutable()) {
        error_ =
            QStringLiteral("ProFTPD is not installed (%1 missing): run tools/setup").arg(program());
        return false;
    }
    if (!dir_.isValid() || !QDir().mkpath(root())) {
        error_ = QStringLiteral("Cannot create a temporary directory for the server");
        return false;
    }
    QProcess seed;
    seed.setProcessChannelMode(QProcess::MergedChannels);
    seed.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import sys; sys.path.insert(0, sys.argv[1]); import lumora_server; "
                               "lumora_server.seed_tree(sys.argv[2], sys.argv[3] == 'demo')"),
                testEnv::toolsDir(), root(),
                options_.demoSeed ? QStringLiteral("demo") : QStringLiteral("layout")});
    if (!seed.waitForFinished(30000) || seed.exitStatus() != QProcess::NormalExit ||
        seed.exitCode() != 0) {
        error_ = QStringLiteral("Cannot seed the server tree: %1")
                     .arg(QString::fromUtf8(seed.readAll()) + seed.errorString());
        return false;
    }

    // Virtual accounts mapped to the user running the test.
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    const passwd* pw = ::getpwuid(uid);
    const group* gr = ::getgrgid(gid);
    if (!pw || !gr) {
        error_ = QStringLiteral("The user running the test has no user or group name");
        return false;
    }
    QList<std::pair<QString, QString>> accounts{{options_.user, options_.password}};
    if (!options_.readonlyUser.isEmpty())
        accounts.append({options_.readonlyUser, options_.readonlyPassword});
    QByteArray users;
    for (const auto& [name, password] : accounts) {
        // An empty hash (crypt failed) leaves an account no password opens.
        users += name.toUtf8() + ':' + cryptHash(password) + ':' + QByteArray::number(uid) + ':' +
                 QByteArray::number(gid) + "::" + root().toUtf8() + ":/bin/sh\n";
    }
    const QByteArray groups = QByteArray(gr->gr_name) + ":x:" + QByteArray::number(gid) + ":\n";
    if (!writePrivateFile(dir_.path() + QStringLiteral("/ftpd.passwd"), users) ||
        !writePrivateFile(dir_.path() + QStringLiteral("/ftpd.group"), groups)) {
        error_ = QStringLiteral("Cannot write the server's account files");
        return false;
    }
    return true;
}

bool ProftpdServer::writeConfig() {
    const QString d = dir_.path();
    // Loopback only (SocketBindTight binds to DefaultAddress instead of all addresses); no delay
    // engine, so that a wrong password is answered at once; in the foreground the daemon logs to
    // its standard error, which goes to logPath(); uploads replace existing files, as the
    // Lumora server's do.
    QString config = QStringLiteral(R"(ServerName "Lumora test server"
ServerType standalone
DefaultAddress 127.0.0.1
SocketBindTight on
UseIPv6 off
Port %1
User %2
Group %3
Umask 022
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
HiddenStores off
)")
                         .arg(port_)
                         .arg(QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name),
                              QString::fromLocal8Bit(::getgrgid(::getgid())->gr_name), d);
    QStringList c;
    // Run by root the accounts are root's too; the session is then locked into the tree.
    if (::getuid() == 0)
        c << QStringLiteral("RootLogin on") << QStringLiteral("DefaultRoot ~");
    if (!options_.readonlyUser.isEmpty())
        c << QStringLiteral("<Limit WRITE>")
          << QStringLiteral("  DenyUser ") + options_.readonlyUser << QStringLiteral("</Limit>");
    c << extraConfig_;
    // Further directives for a whole test run, one per line (";" also separates them), to run
    // the suites against another set-up of the server.
    const QString runConfig = qEnvironmentVariable("SF_PROFTPD_EXTRA_CONFIG");
    for (const QString& line : runConfig.split(QRegularExpression(QStringLiteral("[;\n]"))))
        if (!line.trimmed().isEmpty())
            c << line.trimmed();
    config += c.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return testEnv::writeFile(configPath(), config.toUtf8());
}

QString ProftpdServer::logTail() const {
    QByteArray text;
    for (const QString& name : {dir_.path() + QStringLiteral("/system.log"), logPath()}) {
        QFile f(name);
        if (f.open(QIODevice::ReadOnly))
            text += f.readAll();
    }
    return QString::fromUtf8(text.right(2000)).trimmed();
}

// Starts the daemon on port_ and waits until it greets. portInUse tells that the port was taken.
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
    process_->start(program(), {QStringLiteral("-n"), QStringLiteral("-c"), configPath()});
    if (!process_->waitForStarted(15000)) {
        error_ = QStringLiteral("Cannot start %1: %2").arg(program(), process_->errorString());
        process_.reset();
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (process_->state() != QProcess::Running) {
            const QString log = logTail();
            portInUse = log.contains(QLatin1String("Address already in use"));
            error_ = QStringLiteral("ProFTPD stopped at once: %1").arg(log);
            process_.reset();
            return false;
        }
        if (greets(port_)) {
            error_.clear();
            return true;
        }
        process_->waitForFinished(50);
    }
    error_ = QStringLiteral("ProFTPD did not accept connections on port %1: %2")
                 .arg(port_)
                 .arg(logTail());
    stop();
    return false;
}

bool ProftpdServer::start() {
    stop();
    if (!prepare())
        return false;
    const bool choosePort = port_ == 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (choosePort)
            port_ = freeLoopbackPort();
        if (port_ == 0) {
            error_ = QStringLiteral("No free loopback port");
            return false;
        }
        bool portInUse = false;
        if (launch(portInUse))
            return true;
        if (!portInUse)
            break;
        if (!choosePort)
            QThread::msleep(200); // the same port again: wait until it is released
    }
    if (choosePort)
        port_ = 0;
    return false;
}
