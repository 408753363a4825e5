#pragma once

#include "support/LumoraServer.h"
#include "support/TestFtpServer.h"

#include <memory>

// The local FTP server this test run asks for, used by value like a LumoraServer:
// SF_TEST_FTP_SERVER=proftpd gives a ProftpdServer, unset or "pyftpdlib" a LumoraServer. Any
// other value makes start() fail with a message naming the choices.
//
//     SelectedFtpServer server;                 // or SelectedFtpServer server{options};
//     QVERIFY2(server.start(), qPrintable(server.error()));
class SelectedFtpServer : public TestFtpServer {
public:
    using Options = LumoraServer::Options;

    SelectedFtpServer();
    explicit SelectedFtpServer(const Options& options);
    ~SelectedFtpServer() override;
    SelectedFtpServer(const SelectedFtpServer&) = delete;
    SelectedFtpServer& operator=(const SelectedFtpServer&) = delete;

    // The value of SF_TEST_FTP_SERVER, "pyftpdlib" when unset or empty.
    static QString selectedKind();

    bool start() override;
    void stop() override;
    bool restart() override;
    bool isRunning() const override;

    QString host() const override;
    QString url() const override;
    quint16 port() const override;
    QString root() const override;
    QString lumoraDir() const override;
    QString user() const override;
    QString password() const override;
    QString error() const override;
    QString kind() const override;

    bool writeFile(const QString& relativePath, const QByteArray& data) const override;
    QByteArray readFile(const QString& relativePath) const override;
    bool exists(const QString& relativePath) const override;
    bool makeDir(const QString& relativePath) const override;

    // The server behind this one.
    TestFtpServer& server() { return *server_; }

private:
    std::unique_ptr<TestFtpServer> server_;
    QString unknownKind_; // set when SF_TEST_FTP_SERVER names no known server
};
