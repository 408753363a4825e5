#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A real local FTP server for tests, serving a temporary home tree for the Corvane account.
// Implemented by LumoraServer (pyftpdlib) and ProftpdServer (ProFTPD); SelectedFtpServer picks
// one of them for the test run (SF_TEST_FTP_SERVER).
//
// The tree holds lumora/admin/ and lumora/classes/ (with the demo seed also lumora/admin/passwd,
// a few classes and one lecture). The server listens on 127.0.0.1 only.
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

    virtual ~TestFtpServer() = default;

    // Starts the server (creating the tree on the first start); false with error() on failure.
    // Started again, it keeps its port and tree (the clients' connections are dropped).
    virtual bool start() = 0;
    virtual void stop() = 0;
    bool restart() { return start(); }
    virtual bool isRunning() const = 0;

    virtual quint16 port() const = 0;
    virtual QString root() const = 0; // the FTP login directory
    virtual QString user() const = 0;
    virtual QString password() const = 0;
    virtual QString error() const = 0;
    virtual QString kind() const = 0; // "pyftpdlib" or "proftpd", for messages

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    QString url() const { return QStringLiteral("FTP://") + host(); }
    QString lumoraDir() const { return root() + QStringLiteral("/lumora"); }

    // Files of the served tree, by path relative to root() (directories are created).
    bool writeFile(const QString& relativePath, const QByteArray& data) const;
    QByteArray readFile(const QString& relativePath) const;
    bool exists(const QString& relativePath) const;
    bool makeDir(const QString& relativePath) const;

    // A loopback port free at the moment of asking (bound to port 0 and released).
    static quint16 freeLoopbackPort();
    // Starts /usr/bin/python3 with args, a tool that prints "PORT <n>" once it listens; the port,
    // or 0 with error set.
    static quint16 startPortPrinter(QProcess& process, const QStringList& args, QString& error);
    // Ends the process (terminate, then kill) and releases it.
    static void stopProcess(std::unique_ptr<QProcess>& process);
};

// A server run as a child process of the test in a temporary directory of its own.
class ProcessFtpServer : public TestFtpServer {
public:
    ~ProcessFtpServer() override { stopProcess(process_); }

    void stop() final { stopProcess(process_); }
    bool isRunning() const final { return process_ && process_->state() == QProcess::Running; }
    quint16 port() const final { return port_; }
    QString root() const final { return dir_.path() + QStringLiteral("/home"); }
    QString user() const final { return options_.user; }
    QString password() const final { return options_.password; }
    QString error() const final { return error_; }

protected:
    explicit ProcessFtpServer(const Options& options) : options_(options) {}

    Options options_;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    QString error_;
};
