#pragma once

#include "support/TestFtpServer.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A real local Lumora server for tests: tools/lumora_server.py (pyftpdlib) serving a temporary
// home tree for the Corvane FTP account. The tree holds lumora/admin/ and lumora/classes/ (with
// the demo seed also lumora/admin/passwd, a few classes and one lecture).
//
//     LumoraServer server;
//     QVERIFY2(server.start(), qPrintable(server.error()));
//     fields.ftpMachineV = server.host();             // "127.0.0.1:<port>"
//     fields.cvidV = server.user(); fields.cvPasswordV = server.password();
//     server.writeFile("lumora/admin/passwd", "ann:pw:Ann\n");
//
// The server process is stopped by stop() and by the destructor; restart() starts it again on
// the same port with the same tree (the clients' connections are dropped in between).
class LumoraServer : public TestFtpServer {
public:
    struct Options {
        QString user = QStringLiteral("corvane");
        QString password = QStringLiteral("secret");
        bool demoSeed = false; // demo accounts, classes and lecture
        QString readonlyUser;  // optional second account that may only list and download
        QString readonlyPassword;
    };

    LumoraServer();
    explicit LumoraServer(const Options& options);
    ~LumoraServer() override;
    LumoraServer(const LumoraServer&) = delete;
    LumoraServer& operator=(const LumoraServer&) = delete;

    // Starts the server (creating the tree on the first start); false with error() on failure.
    bool start() override;
    void stop() override;
    bool restart() override;
    bool isRunning() const override;

    QString host() const override; // "127.0.0.1:<port>"
    QString url() const override;  // "FTP://" + host()
    quint16 port() const override { return port_; }
    QString root() const override;      // the FTP login directory
    QString lumoraDir() const override; // root() + "/lumora"
    QString user() const override { return options_.user; }
    QString password() const override { return options_.password; }
    QString error() const override { return error_; }
    QString kind() const override { return QStringLiteral("pyftpdlib"); }

    // Files of the served tree, by path relative to root() (directories are created).
    bool writeFile(const QString& relativePath, const QByteArray& data) const override;
    QByteArray readFile(const QString& relativePath) const override;
    bool exists(const QString& relativePath) const override;
    bool makeDir(const QString& relativePath) const override;

    static QString launcherPath(); // tools/lumora_server.py
    static QString python();       // /usr/bin/python3

private:
    Options options_;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    QString error_;
};
