#include "support/FaultFtpServer.h"

#include "support/TestEnv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
FaultRule rule(const QString& command, const QString& action, int nth) {
    FaultRule r;
    r.command = command;
    r.action = action;
    r.nth = nth;
    return r;
}

QJsonObject toJson(const FaultRule& r) {
    QJsonObject o{{"command", r.command}, {"action", r.action}};
    if (!r.match.isEmpty())
        o["match"] = r.match;
    if (r.nth > 0)
        o["nth"] = r.nth;
    if (r.fromNth > 0)
        o["from_nth"] = r.fromNth;
    if (!r.reply.isEmpty())
        o["reply"] = r.reply;
    if (!r.junk.isEmpty())
        o["junk"] = r.junk;
    if (r.action == QLatin1String("cut"))
        o["bytes"] = r.bytes;
    if (r.seconds > 0)
        o["seconds"] = r.seconds;
    if (r.close)
        o["close"] = true;
    if (r.drain)
        o["drain"] = true;
    return o;
}
} // namespace

FaultRule FaultRule::refuse(const QString& command, const QString& reply, const QString& match,
                            int nth) {
    FaultRule r = rule(command, "reply", nth);
    r.reply = reply;
    r.match = match;
    return r;
}

FaultRule FaultRule::closeAfterReply(const QString& command, const QString& reply, int nth) {
    FaultRule r = rule(command, "reply", nth);
    r.reply = reply;
    r.close = true;
    return r;
}

FaultRule FaultRule::silence(const QString& command, const QString& match, int nth) {
    FaultRule r = rule(command, "silence", nth);
    r.match = match;
    return r;
}

FaultRule FaultRule::junkThenSilence(const QString& command, const QString& junk, int nth) {
    FaultRule r = rule(command, "junk", nth);
    r.junk = junk;
    return r;
}

FaultRule FaultRule::closeWithoutReply(const QString& command, int nth) {
    return rule(command, "close", nth);
}

FaultRule FaultRule::delay(const QString& command, double seconds, int nth) {
    FaultRule r = rule(command, "delay", nth);
    r.seconds = seconds;
    return r;
}

FaultRule FaultRule::cut(const QString& command, qint64 bytes, const QString& reply, int nth) {
    FaultRule r = rule(command, "cut", nth);
    r.bytes = bytes;
    r.reply = reply;
    return r;
}

FaultRule FaultRule::doThenClose(const QString& command, int nth) {
    return rule(command, "after", nth);
}

bool FaultFtpServer::start() {
    return startScript(QStringLiteral(SF_TEST_SUPPORT_DIR "/fault_ftp_server.py"),
                       {"--tools-dir", testEnv::toolsDir(), "--rules", rulesPath(), "--command-log",
                        commandLogPath()});
}

bool FaultFtpServer::setRules(const QList<FaultRule>& rules) {
    QJsonArray list;
    for (const FaultRule& r : rules)
        list.append(toJson(r));
    // Written aside and renamed into place, so the server never reads half a file.
    QSaveFile file(rulesPath());
    return dir_.isValid() && file.open(QIODevice::WriteOnly) &&
           file.write(QJsonDocument(list).toJson()) >= 0 && file.commit();
}

QStringList FaultFtpServer::commands() const {
    QFile file(commandLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList FaultFtpServer::commandsNamed(const QString& cmd) const {
    QStringList arguments;
    for (const QString& line : commands()) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.value(1) == cmd)
            arguments << line.section(QLatin1Char(' '), 2);
    }
    return arguments;
}

void FaultFtpServer::clearCommandLog() {
    QFile file(commandLogPath());
    if (file.exists())
        file.resize(0);
}
