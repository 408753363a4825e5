#include "support/SshServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMultiMap>
#include <QRandomGenerator>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kDaemon = QStringLiteral("/usr/sbin/sshd");
const QString kAccountPrefix = QStringLiteral("sfsftp");

// Runs a command to its end; true when it exited with 0. Its output goes to *output.
bool run(const QString& program, const QStringList& args, QString* output = nullptr,
         const QByteArray& input = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return false;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(30000);
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString randomLetters(int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QLatin1Char(static_cast<char>('a' + QRandomGenerator::global()->bounded(26)));
    return text;
}

// True when a server on the loopback port greets as an SSH server.
bool greetsAsSsh(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    char banner[8] = {};
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    pollfd p{fd, POLLIN, 0};
    ok = ok && ::poll(&p, 1, 2000) == 1 && ::recv(fd, banner, 7, MSG_WAITALL) == 7;
    ::close(fd);
    return ok && QByteArray(banner) == "SSH-2.0";
}

// The processes below pid: the daemon's sessions and theirs.
QList<pid_t> descendantsOf(pid_t pid) {
    QMultiMap<pid_t, pid_t> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t child = entry.toInt(&ok);
        if (!ok)
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so read after its ")".
        const QByteArray stat = testEnv::readFile(QStringLiteral("/proc/%1/stat").arg(child));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.insert(static_cast<pid_t>(fields[1].toInt()), child);
    }
    QList<pid_t> found;
    QList<pid_t> next{pid};
    while (!next.isEmpty()) {
        const pid_t parent = next.takeFirst();
        for (pid_t child : children.values(parent)) {
            found.append(child);
            next.append(child);
        }
    }
    return found;
}

// Accounts of earlier test runs that ended without deleting theirs: their home is gone.
void deleteStaleAccounts() {
    QFile passwd(QStringLiteral("/etc/passwd"));
    if (!passwd.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : passwd.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() >= 6 && fields[0].startsWith(kAccountPrefix.toLatin1()) &&
            !QFileInfo::exists(QString::fromLocal8Bit(fields[5])))
            run(QStringLiteral("userdel"), {QString::fromLatin1(fields[0])});
    }
}

} // namespace

SshServer::SshServer(const Options& options) : TestFtpServer(options) {}

void SshServer::stop() {
    if (isRunning()) {
        const QList<pid_t> sessions = descendantsOf(static_cast<pid_t>(pid()));
        for (pid_t session : sessions)
            ::kill(session, SIGKILL);
    }
    TestFtpServer::stop();
}

SshServer::~SshServer() {
    stop();
    if (!account_.isEmpty())
        run(QStringLiteral("userdel"), {account_});
}

bool SshServer::createAccount() {
    if (!account_.isEmpty())
        return true;
    if (::getuid() != 0) {
        error_ = QStringLiteral("The SFTP test server needs root: it creates a system account");
        return false;
    }
    deleteStaleAccounts();
    // The temporary directory is the owner's only: the account must reach its home inside.
    QFile::setPermissions(dir_.path(), QFile::permissions(dir_.path()) | QFile::ExeOther |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ReadGroup);
    // The home first: an account whose home is missing counts as a crashed test's.
    if (!QDir().mkpath(root())) {
        error_ = QStringLiteral("Cannot create the test account's home %1").arg(root());
        return false;
    }
    const QString name = kAccountPrefix + randomLetters(8);
    const QString password = randomLetters(16);
    QString output;
    if (!run(QStringLiteral("useradd"),
             {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
              QStringLiteral("--home-dir"), root(), QStringLiteral("--shell"),
              QStringLiteral("/bin/sh"), name},
             &output) ||
        !run(QStringLiteral("chpasswd"), {}, &output, (name + ':' + password + '\n').toUtf8())) {
        error_ = QStringLiteral("Cannot create the test account %1: %2").arg(name, output);
        run(QStringLiteral("userdel"), {name});
        return false;
    }
    account_ = name;
    options_.user = name;
    options_.password = password;
    return true;
}

bool SshServer::giveToAccount() const {
    return run(QStringLiteral("chown"), {QStringLiteral("-R"), account_ + ':', root()});
}

bool SshServer::writeFile(const QString& relativePath, const QByteArray& data) const {
    return TestFtpServer::writeFile(relativePath, data) && giveToAccount();
}

bool SshServer::makeDir(const QString& relativePath) const {
    return TestFtpServer::makeDir(relativePath) && giveToAccount();
}

bool SshServer::newHostKey() {
    QFile::remove(hostKeyPath());
    QFile::remove(hostKeyPath() + QStringLiteral(".pub"));
    QString output;
    if (!run(QStringLiteral("ssh-keygen"),
             {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
              QStringLiteral("-N"), QString(), QStringLiteral("-f"), hostKeyPath()},
             &output)) {
        error_ = QStringLiteral("ssh-keygen failed: ") + output;
        return false;
    }
    return true;
}

QString SshServer::hostKeyFingerprint() const {
    QString output;
    if (!run(QStringLiteral("ssh-keygen"),
             {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"),
              QStringLiteral("-f"), hostKeyPath() + QStringLiteral(".pub")},
             &output))
        return {};
    // "256 SHA256:<base64> root@host (ED25519)"
    return output.section(QLatin1Char(' '), 1, 1);
}

bool SshServer::authorize(const QString& publicKeyFile) {
    const QByteArray key = testEnv::readFile(publicKeyFile);
    return writeFile(QStringLiteral(".ssh/authorized_keys"), key);
}

bool SshServer::launch(bool& portInUse) {
    portInUse = false;
    const QString config = QStringLiteral(R"(Port %1
ListenAddress 127.0.0.1
HostKey %2
PidFile none
AllowUsers %3
AuthorizedKeysFile .ssh/authorized_keys
PubkeyAuthentication yes
PasswordAuthentication yes
KbdInteractiveAuthentication no
PermitRootLogin no
UsePAM no
StrictModes no
UseDNS no
MaxStartups 64
Subsystem sftp internal-sftp
ForceCommand internal-sftp
LogLevel INFO
)")
                               .arg(port_)
                               .arg(hostKeyPath(), account_);
    const QString configPath = dir_.path() + QStringLiteral("/sshd_config");
    if (!testEnv::writeFile(configPath, config.toUtf8()))
        return false;
    process_ = std::make_unique<QProcess>();
    process_->setStandardOutputFile(logPath());
    process_->setStandardErrorFile(logPath());
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start(kDaemon,
                    {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), configPath});
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (process_->state() == QProcess::NotRunning) {
            const QByteArray log = testEnv::readFile(logPath());
            portInUse = log.contains("Address already in use");
            error_ = QStringLiteral("sshd stopped at once: %1").arg(QString::fromUtf8(log));
            process_.reset();
            return false;
        }
        if (greetsAsSsh(port_)) {
            error_.clear();
            return true;
        }
        process_->waitForFinished(100);
    }
    error_ = QStringLiteral("sshd did not start on port %1: %2")
                 .arg(port_)
                 .arg(QString::fromUtf8(testEnv::readFile(logPath())));
    stop();
    return false;
}

bool SshServer::start() {
    stop();
    if (!QFileInfo(kDaemon).isExecutable()) {
        error_ = QStringLiteral("OpenSSH's server is not installed (%1 missing): run tools/setup")
                     .arg(kDaemon);
        return false;
    }
    // sshd needs its privilege separation directory, made by its service otherwise.
    QDir().mkpath(QStringLiteral("/run/sshd"));
    if (!createAccount())
        return false;
    if (!QFileInfo::exists(root() + QStringLiteral("/lumora")) && (!seedTree() || !giveToAccount()))
        return false;
    if (!QFileInfo::exists(hostKeyPath()) && !newHostKey())
        return false;
    return launchOnAPort([this](bool& portInUse) { return launch(portInUse); });
}
