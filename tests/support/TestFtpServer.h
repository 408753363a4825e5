#pragma once

#include <QByteArray>
#include <QString>

// A real local FTP server for tests, serving a temporary home tree for the Corvane account.
// Implemented by LumoraServer (pyftpdlib) and ProftpdServer (ProFTPD); SelectedFtpServer picks
// one of them for the test run (SF_TEST_FTP_SERVER).
//
// The tree holds lumora/admin/ and lumora/classes/ (with the demo seed also lumora/admin/passwd,
// a few classes and one lecture). The server listens on 127.0.0.1 only.
class TestFtpServer {
public:
    virtual ~TestFtpServer() = default;

    // Starts the server (creating the tree on the first start); false with error() on failure.
    virtual bool start() = 0;
    virtual void stop() = 0;
    // Starts the server again on the same port with the same tree (connections are dropped).
    virtual bool restart() = 0;
    virtual bool isRunning() const = 0;

    virtual QString host() const = 0; // "127.0.0.1:<port>"
    virtual QString url() const = 0;  // "FTP://" + host()
    virtual quint16 port() const = 0;
    virtual QString root() const = 0;      // the FTP login directory
    virtual QString lumoraDir() const = 0; // root() + "/lumora"
    virtual QString user() const = 0;
    virtual QString password() const = 0;
    virtual QString error() const = 0;
    // "pyftpdlib" or "proftpd", for messages.
    virtual QString kind() const = 0;

    // Files of the served tree, by path relative to root() (directories are created).
    virtual bool writeFile(const QString& relativePath, const QByteArray& data) const;
    virtual QByteArray readFile(const QString& relativePath) const;
    virtual bool exists(const QString& relativePath) const;
    virtual bool makeDir(const QString& relativePath) const;

protected:
    TestFtpServer() = default;
    TestFtpServer(const TestFtpServer&) = default;
    TestFtpServer& operator=(const TestFtpServer&) = default;
};
