#pragma once

#include "support/TestFtpServer.h"

// A real local Lumora server for tests: tools/lumora_server.py (pyftpdlib) serving a temporary
// home tree for the Corvane FTP account.
//
//     LumoraServer server;
//     QVERIFY2(server.start(), qPrintable(server.error()));
//     fields.host = server.host();             // "127.0.0.1:<port>"
//     fields.corvaneId = server.user(); fields.corvanePassword = server.password();
//     server.writeFile("lumora/admin/passwd", "ann:pw:Ann\n");
//
// The server process is stopped by stop() and by the destructor; restart() starts it again on
// the same port with the same tree (the clients' connections are dropped in between).
class LumoraServer : public TestFtpServer {
public:
    explicit LumoraServer(const Options& options = Options{}) : TestFtpServer(options) {}

    bool start() override;

protected:
    // Starts a server script that takes lumora_server.py's arguments, and `more`.
    bool startScript(const QString& script, const QStringList& more);
};
