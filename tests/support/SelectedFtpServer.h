#pragma once

#include "support/LumoraServer.h"

#include <memory>

// The local FTP server this test run asks for, used by value like a LumoraServer:
// SF_TEST_FTP_SERVER=proftpd gives a ProftpdServer, unset or "pyftpdlib" a LumoraServer. Any
// other value makes start() fail with a message naming the choices.
//
//     SelectedFtpServer server;                 // or SelectedFtpServer server{options};
//     QVERIFY2(server.start(), qPrintable(server.error()));
class SelectedFtpServer : public TestFtpServer {
public:
    explicit SelectedFtpServer(const Options& options = Options{});

    bool start() override { return unknownKind_.isEmpty() && server_->start(); }
    void stop() override { server_->stop(); }
    bool isRunning() const override { return server_->isRunning(); }
    quint16 port() const override { return server_->port(); }
    QString root() const override { return server_->root(); }
    QString user() const override { return server_->user(); }
    QString password() const override { return server_->password(); }
    QString error() const override;
    QString kind() const override { return server_->kind(); }

    // The server behind this one.
    TestFtpServer& server() { return *server_; }

private:
    std::unique_ptr<TestFtpServer> server_;
    QString unknownKind_; // set when SF_TEST_FTP_SERVER names no known server
};
