#pragma once

#include "support/LumoraServer.h"

#include <QList>

// One misbehaviour of the FaultFtpServer: what it does to the commands named `command` (upper
// case, or "*" for every command) whose argument contains `match`.
//
//   action "reply"   answers `reply` instead of carrying the command out (`close`: then closes
//                    the control connection)
//          "silence" never answers it nor anything after it in that session
//          "junk"    sends the line `junk` (no reply code), then as "silence"
//          "close"   closes the control connection without an answer
//          "delay"   carries the command out after `seconds`
//          "cut"     STOR, RETR, LIST, NLST: only the first `bytes` bytes of the data pass (an
//                    upload stores just those), then the data connection is closed and `reply`
//                    is sent (default "226 Transfer complete.": a false acknowledgement);
//                    `drain`: an upload is first read to its end, the rest discarded
//          "after"   carries the command out, then closes the control connection in place of
//                    its final reply
//
// `nth` limits the rule to the nth matching command (from 1, over all sessions, counted anew
// each time the rules are set), `fromNth` to that one and all later ones; 0: every one. The
// first rule that applies takes the command, but every rule that fits counts it.
struct FaultRule {
    QString command;
    QString action;
    QString match;
    int nth = 0;
    int fromNth = 0;
    QString reply;
    QString junk;
    qint64 bytes = 0;
    double seconds = 0;
    bool close = false;
    bool drain = false;

    static FaultRule refuse(const QString& command, const QString& reply = "550 Refused",
                            const QString& match = {}, int nth = 0);
    // Answers `reply` (a 421, say) in place of the command, then closes the connection.
    static FaultRule closeAfterReply(const QString& command,
                                     const QString& reply = "421 Service not available",
                                     int nth = 0);
    static FaultRule silence(const QString& command, const QString& match = {}, int nth = 0);
    static FaultRule junkThenSilence(const QString& command,
                                     const QString& junk = "garbage without a code", int nth = 0);
    static FaultRule closeWithoutReply(const QString& command, int nth = 0);
    static FaultRule delay(const QString& command, double seconds, int nth = 0);
    static FaultRule cut(const QString& command, qint64 bytes,
                         const QString& reply = "226 Transfer complete.", int nth = 0);
    static FaultRule doThenClose(const QString& command, int nth = 0);
};

// The local Lumora server of LumoraServer (same accounts, tree and seed) with faults injected
// by rules that a test may change while it runs (tests/support/fault_ftp_server.py). Every
// command it receives is logged, so a test can also check what the client sent.
//
//     FaultFtpServer server;
//     QVERIFY2(server.start(), qPrintable(server.error()));
//     QVERIFY(server.setRules({FaultRule::refuse("CWD", "550 Permission denied", "cs101")}));
//     ... run the client ...
//     QCOMPARE(server.commandsNamed("STOR"), QStringList{".Slide1.gif.part"});
class FaultFtpServer : public LumoraServer {
public:
    explicit FaultFtpServer(const Options& options = Options{}) : LumoraServer(options) {}

    bool start() override;

    // Replaces the rules; the server applies them from its next received command on.
    bool setRules(const QList<FaultRule>& rules);
    bool clearRules() { return setRules({}); }

    // The received commands, "<session> <COMMAND> <argument>" each (PASS's argument "***").
    QStringList commands() const;
    // The arguments of the received commands named cmd, in order.
    QStringList commandsNamed(const QString& cmd) const;
    void clearCommandLog();

    QString rulesPath() const { return dir_.path() + QStringLiteral("/rules.json"); }
    QString commandLogPath() const { return dir_.path() + QStringLiteral("/commands.log"); }
};
