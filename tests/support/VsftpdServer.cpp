#include "support/VsftpdServer.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// The daemon that tools/setup unpacks from Debian's package (which cannot be installed beside
// ProFTPD's), else the installed package's.
QString program() {
    for (const char* path : {"/usr/local/libexec/slide-ferry-tests/vsftpd", "/usr/sbin/vsftpd"})
        if (QFileInfo(QString::fromLatin1(path)).isExecutable())
            return QString::fromLatin1(path);
    return {};
}

// The name vsftpd takes for its anonymous login ("ftp" is the other).
const QString kLoginName = QStringLiteral("anonymous");

} // namespace

VsftpdServer::VsftpdServer(const Options& options) : TestFtpServer(options) {
    options_.user = kLoginName;
}

// The tree, seeded by the same code as the other servers' so that all serve the same layout and
// demo data; the accepted password; and the empty directory vsftpd insists on.
bool VsftpdServer::prepare() {
    if (program().isEmpty()) {
        error_ = QStringLiteral("vsftpd is not installed: run tools/setup");
        return false;
    }
    if (!options_.readonlyUser.isEmpty()) {
        error_ = QStringLiteral("The vsftpd test server has one account (vsftpd's anonymous "
                                "login): a read-only account \"%1\" is not available")
                     .arg(options_.readonlyUser);
        return false;
    }
    if (!seedTree())
        return false;
    if (!testEnv::writeFile(dir_.filePath("passwords"), options_.password.toUtf8() + '\n') ||
        !QDir().mkpath(dir_.filePath("empty"))) {
        error_ = QStringLiteral("Cannot write the server's password file");
        return false;
    }
    return true;
}

bool VsftpdServer::writeConfig() {
    // Standalone in the foreground on loopback only, the passive data connections too. One
    // process a session, run as the launching user (no privileged helper, no chroot, so none of
    // the namespaces and seccomp filters that a container may forbid). The anonymous login
    // starts in the tree, accepts only the password in "passwords" (answered at once when
    // wrong) and may write: uploads replace existing files (that takes anon_other_write_enable,
    // which also allows renames and deletes) and are created 0644. Every command and reply goes
    // to the log. The greeting names this instance, so that the start can tell it from another
    // server that took the port.
    QStringList c{
        QStringLiteral("listen=YES"),
        QStringLiteral("listen_ipv6=NO"),
        QStringLiteral("background=NO"),
        QStringLiteral("listen_address=127.0.0.1"),
        QStringLiteral("listen_port=%1").arg(port_),
        QStringLiteral("pasv_address=127.0.0.1"),
        QStringLiteral("ftpd_banner=Lumora test server %1").arg(QFileInfo(dir_.path()).fileName()),
        QStringLiteral("run_as_launching_user=YES"),
        QStringLiteral("seccomp_sandbox=NO"),
        QStringLiteral("isolate=NO"),
        QStringLiteral("isolate_network=NO"),
        QStringLiteral("secure_chroot_dir=%1").arg(dir_.filePath("empty")),
        QStringLiteral("local_enable=NO"),
        QStringLiteral("anonymous_enable=YES"),
        QStringLiteral("anon_root=%1").arg(root()),
        QStringLiteral("secure_email_list_enable=YES"),
        QStringLiteral("email_password_file=%1").arg(dir_.filePath("passwords")),
        QStringLiteral("delay_failed_login=0"),
        QStringLiteral("write_enable=YES"),
        QStringLiteral("anon_upload_enable=YES"),
        QStringLiteral("anon_mkdir_write_enable=YES"),
        QStringLiteral("anon_other_write_enable=YES"),
        QStringLiteral("anon_world_readable_only=NO"),
        QStringLiteral("anon_umask=022"),
        QStringLiteral("syslog_enable=NO"),
        QStringLiteral("xferlog_enable=YES"),
        QStringLiteral("xferlog_std_format=NO"),
        QStringLiteral("log_ftp_protocol=YES"),
        QStringLiteral("vsftpd_log_file=%1").arg(logPath()),
    };
    // Then the test's own settings and those of the whole test run (";" or a line apart); a
    // setting given again replaces the one above.
    c << extraConfig_
      << qEnvironmentVariable("SF_VSFTPD_EXTRA_CONFIG")
             .split(QRegularExpression(QStringLiteral("\\s*[;\n]\\s*")), Qt::SkipEmptyParts);
    return testEnv::writeFile(configPath(),
                              (c.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

// True when port_ accepts a connection greeted with this instance's banner.
bool VsftpdServer::greetsAsThisServer() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    timeval wait{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port_);
    QByteArray greeting;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        char buffer[256];
        for (ssize_t n; !greeting.contains('\n') && greeting.size() < 1024 &&
                        (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            greeting.append(buffer, n);
    }
    ::close(fd);
    return greeting.startsWith("220 Lumora test server " +
                               QFileInfo(dir_.path()).fileName().toUtf8());
}

// Starts the daemon on port_ and waits until it greets on it. portInUse tells that the port was
// taken.
bool VsftpdServer::launch(bool& portInUse) {
    portInUse = false;
    QFile::remove(logPath());
    if (!writeConfig()) {
        error_ = QStringLiteral("Cannot write %1").arg(configPath());
        return false;
    }
    process_ = std::make_unique<QProcess>();
    // vsftpd writes its errors ("500 OOPS: ...") to its standard input, the command channel of
    // a session; at start, with no session yet, they go to the log as well, beside the daemon's
    // own lines (every writer appends).
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setStandardOutputFile(logPath(), QIODevice::Append);
    process_->setStandardErrorFile(logPath(), QIODevice::Append);
    process_->setWorkingDirectory(dir_.path());
    // The daemon never outlives the test process, even one that crashes; its sessions end with
    // it.
    const QByteArray log = QFile::encodeName(logPath());
    process_->setChildProcessModifier([log] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int fd = ::open(log.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::dup2(fd, STDIN_FILENO); // the copy is kept open across exec
    });
    process_->start(program(), {configPath()});
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        process_->waitForFinished(50);
        // The state first: the log read after it holds all that a stopped daemon wrote.
        const bool stopped = process_->state() == QProcess::NotRunning;
        if (stopped) {
            const QByteArray log = testEnv::readFile(logPath());
            portInUse = log.contains("could not bind listening");
            error_ = QStringLiteral("vsftpd stopped at once: %1 %2")
                         .arg(process_->errorString(), QString::fromUtf8(log.right(2000)));
            process_.reset();
            return false;
        }
        if (greetsAsThisServer()) {
            error_.clear();
            return true;
        }
    }
    error_ = QStringLiteral("vsftpd did not start on port %1: %2")
                 .arg(port_)
                 .arg(QString::fromUtf8(testEnv::readFile(logPath()).right(2000)));
    stop();
    return false;
}

bool VsftpdServer::start() {
    stop();
    if (!prepare())
        return false;
    return launchOnAPort([this](bool& portInUse) { return launch(portInUse); });
}
