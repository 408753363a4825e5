#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <memory>

// A real local FTP server for tests, run as a child process in a temporary directory of its own
// and serving a temporary home tree for the Corvane account on 127.0.0.1 only. Implemented by
// LumoraServer (pyftpdlib), ProftpdServer (ProFTPD) and VsftpdServer (vsftpd);
// selectedFtpServer() picks one of them for the test run.
//
// The tree holds lumora/admin/ and lumora/classes/ (with the demo seed also lumora/admin/passwd,
// a few classes and one lecture).
class TestFtpServer {
public:
    struct Options {
        QString user = QStringLiteral("corvane");
        QString password = QStringLiteral("secret");
        bool demoSeed = false; // demo accounts, classes and lecture
        QString readonlyUser;  // optional second account that may only list and download
        QString readonlyPassword;
        QStringList extraArguments; // further launcher arguments (pyftpdlib server only)
    };

    explicit TestFtpServer(const Options& options) : options_(options) {}
    virtual ~TestFtpServer() { stopProcess(process_); }

    // Starts the server (creating the tree on the first start); false with error() on failure.
    // Started again, it keeps its port and tree (the clients' connections are dropped).
    virtual bool start() = 0;
    virtual void stop() { stopProcess(process_); }
    bool restart() { return start(); }
    bool isRunning() const { return process_ && process_->state() == QProcess::Running; }
    qint64 pid() const { return isRunning() ? process_->processId() : 0; }
    // Sends the server process a signal: SIGSTOP freezes it (its connections stay open, nothing
    // is answered), SIGCONT thaws it. False when it is not running or the signal failed.
    bool sendSignal(int sig) const { return pid() > 0 && ::kill(pid_t(pid()), sig) == 0; }

    quint16 port() const { return port_; }
    QString root() const { return dir_.path() + QStringLiteral("/home"); } // the login directory
    QString user() const { return options_.user; }
    QString password() const { return options_.password; }
    QString error() const { return error_; }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    virtual QString url() const { return QStringLiteral("FTP://") + host(); }
    // The server as the user gives it (the wizard's server field, --server).
    virtual QString server() const { return host(); }
    QString lumoraDir() const { return root() + QStringLiteral("/lumora"); }

    // Files of the served tree, by path relative to root() (directories are created).
    virtual bool writeFile(const QString& relativePath, const QByteArray& data) const;
    QByteArray readFile(const QString& relativePath) const;
    virtual bool makeDir(const QString& relativePath) const;

    // A loopback port free at the moment of asking (bound to port 0 and released).
    static quint16 freeLoopbackPort();
    // Starts /usr/bin/python3 with args, a tool that prints "PORT <n>" once it listens; the port,
    // or 0 with error set.
    static quint16 startPortPrinter(QProcess& process, const QStringList& args, QString& error);
    // Ends the process (terminate, then kill) and releases it.
    static void stopProcess(std::unique_ptr<QProcess>& process);

protected:
    // Lays out the served tree with the seeding code of tools/lumora_server.py, so that every
    // server serves the same layout and demo data; false with error() when it fails.
    bool seedTree();
    // Runs launch (which starts the daemon on port_ and tells whether the port was taken) on a
    // free loopback port, another one while the chosen one turns out taken; started again, the
    // server keeps its port and waits until it is released.
    bool launchOnAPort(const std::function<bool(bool& portInUse)>& launch);

    Options options_;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    QString error_;
};

// The server this test run asks for: SF_TEST_FTP_SERVER=proftpd gives a ProftpdServer, vsftpd a
// VsftpdServer, sftp an SshServer (OpenSSH, reached over SFTP), unset or "pyftpdlib" a
// LumoraServer; any other value ends the test with a message naming the choices.
std::unique_ptr<TestFtpServer> selectedFtpServer(const TestFtpServer::Options& options = {});
