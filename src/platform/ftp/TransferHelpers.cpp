#include "platform/ftp/TransferHelpers.h"

#include "platform/Failure.h"
#include "platform/ftp/TransferControl.h"

#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

namespace {

// Shell-style match of "*" (any run) and "?" (one character); everything else literal.
bool globMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

bool isSftpUrl(const QString& url) {
    return url.startsWith(QLatin1StringView("sftp://"), Qt::CaseInsensitive);
}

QString hostFromUrl(const QString& url) {
    const qsizetype schemeSize = isSftpUrl(url) ? 7 : 6;
    if (!isSftpUrl(url) && !url.startsWith(QLatin1StringView("ftp://"), Qt::CaseInsensitive))
        throw ServerFailure(
            QStringLiteral("The server address \"%1\" does not begin with FTP:// or SFTP://")
                .arg(url));
    QString host = url.mid(schemeSize);
    if (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    if (host.isEmpty())
        throw ServerFailure(QStringLiteral("No server host name was given"));
    static const QRegularExpression form(QStringLiteral(
        R"(^(?:[A-Za-z0-9_](?:[A-Za-z0-9_-]*[A-Za-z0-9_])?(?:\.[A-Za-z0-9_](?:[A-Za-z0-9_-]*[A-Za-z0-9_])?)*\.?)"
        R"(|\[[0-9A-Fa-f:.]+\])(?::([0-9]{1,5}))?$)"));
    const QRegularExpressionMatch m = form.match(host);
    bool portOk = true;
    if (m.hasMatch() && m.hasCaptured(1)) {
        const int port = m.captured(1).toInt();
        portOk = port >= 1 && port <= 65535;
    }
    if (!m.hasMatch() || !portOk)
        // The message names the server after the reason; it is not repeated here.
        throw ServerFailure(QStringLiteral("The server host name is not valid (letters, digits, "
                                           "hyphens and dots, optionally followed by :port)"));
    return host;
}

QString hostNameOf(const QString& hostPort) {
    QString name = hostPort;
    if (name.startsWith(QLatin1Char('['))) {
        name = name.mid(1, name.indexOf(QLatin1Char(']')) - 1);
    } else {
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0)
            name.truncate(colon);
        if (name.endsWith(QLatin1Char('.')))
            name.chop(1);
    }
    return name;
}

RemotePath splitRemote(const QString& path) {
    RemotePath r;
    QString p = path;
    if (p == QLatin1String("~"))
        p.clear();
    else if (p.startsWith(QLatin1String("~/")))
        p = p.mid(2);
    else if (p.startsWith(QLatin1Char('/'))) {
        r.absolute = true;
        p = p.mid(1);
    }
    QStringList parts = p.split(QLatin1Char('/'));
    r.last = parts.takeLast();
    for (const QString& part : parts)
        if (!part.isEmpty())
            r.dirs.append(part);
    return r;
}

QByteArray dirUrl(const QString& host, const RemotePath& path, bool sftp) {
    QByteArray url = (sftp ? "sftp://" : "ftp://") + host.toUtf8() + "/";
    if (sftp && !path.absolute)
        url += "~/";
    else if (!sftp && path.absolute)
        url += "%2F";
    for (const QString& dir : path.dirs)
        url += QUrl::toPercentEncoding(dir) + "/";
    return url;
}

QByteArray sftpCommandPath(const RemotePath& path) {
    QStringList parts = path.dirs;
    if (!path.last.isEmpty())
        parts.append(path.last);
    // curl puts the home in front of "/~/" only in a path without quotes; a relative path is
    // the same place, since an SFTP session starts in the account's home.
    QByteArray text = parts.join(QLatin1Char('/')).toUtf8();
    if (path.absolute)
        text.prepend('/');
    else if (text.isEmpty())
        text = ".";
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

// The names are sorted by character code: servers send them in an order of their own
// (pyftpdlib sorted, ProFTPD in directory order), and callers show them and read only the
// first 1024 characters, so the order must not depend on the server.
QString listingOf(const QByteArray& received, const QString& pattern) {
    const QList<QByteArray> lines = received.split('\n');
    QStringList names;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        QString name = QString::fromUtf8(line);
        const qsizetype slash = name.lastIndexOf(QLatin1Char('/'), name.size() - 2);
        if (slash >= 0)
            name = name.mid(slash + 1);
        QString bare = name;
        if (bare.endsWith(QLatin1Char('/')))
            bare.chop(1);
        // Servers differ in listing "." and ".." and names beginning with "." (ProFTPD
        // with "ListOptions -a" lists them all, pyftpdlib the hidden names, a default
        // ProFTPD none). As in a shell, such a name is listed only for a pattern that
        // itself begins with ".", and "." and ".." never, so every server gives one answer.
        if (bare.isEmpty() || bare == QLatin1String(".") || bare == QLatin1String(".."))
            continue;
        if (bare.startsWith(QLatin1Char('.')) && !pattern.startsWith(QLatin1Char('.')))
            continue;
        if (pattern.isEmpty() || globMatch(pattern, bare))
            names.append(name);
    }
    std::sort(names.begin(), names.end());
    QString listing;
    for (const QString& name : std::as_const(names))
        listing += name + QStringLiteral("\r\n");
    return listing;
}

bool isConnectionLoss(CURLcode result) {
    return result == CURLE_SEND_ERROR || result == CURLE_RECV_ERROR ||
           result == CURLE_GOT_NOTHING || result == CURLE_FTP_WEIRD_SERVER_REPLY;
}

// curl's words, then the server's reply. curl's words often end with the reply's code ("Access
// denied: 530"), which the reply begins with itself: the code is said once.
QString withServerReply(QString detail, const QString& reply) {
    if (reply.isEmpty())
        return detail;
    const QString code = reply.left(3);
    if (code.size() == 3 && detail.endsWith(QStringLiteral(": ") + code))
        detail.chop(5);
    return detail + QStringLiteral(": ") + reply;
}

// The server answered the command with a refusal (as opposed to breaking off or staying silent).
bool isRefusal(CURLcode result) {
    switch (result) {
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_FTP_COULDNT_USE_REST:
        return true;
    default:
        return false;
    }
}

TransferOutcome outcomeOf(CURLcode result, const QByteArray& lastReply, const QString& curlDetail,
                          const QString& operation, const std::optional<QString>& certificateReason,
                          const QString& tlsDemand) {
    using Code = TransferControl::Code;
    if (result == CURLE_OK)
        return {Code::NoError, {}};
    const QString reply = QString::fromUtf8(lastReply);
    const QString detail =
        curlDetail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(result)) : curlDetail;
    const QString withReply = withServerReply(detail, reply);
    if (lastReply.startsWith("421"))
        // The server closed the session (overloaded, shutting down or idle time-out).
        return {Code::ConnectionLost,
                QStringLiteral("The server ended the session (%1)").arg(reply)};
    if (isRefusal(result))
        return {Code::ServerRefused,
                QStringLiteral("The server refused %1 (%2)").arg(operation, withReply)};
    switch (result) {
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return {Code::Timeout,
                QStringLiteral("The server did not answer in time (%1)").arg(detail)};
    case CURLE_COULDNT_CONNECT:
        return {Code::CannotConnect,
                QStringLiteral("Cannot connect to the server (%1)").arg(detail)};
    case CURLE_COULDNT_RESOLVE_HOST:
        // curl's own text only names the host again, which the message shows anyway.
        return {Code::HostNotResolved, QStringLiteral("The server name could not be resolved")};
    case CURLE_LOGIN_DENIED:
        return {Code::LoginRefused,
                QStringLiteral("The server refused the login (%1)").arg(withReply)};
    case CURLE_PEER_FAILED_VERIFICATION:
        return {Code::CertificateRefused,
                QStringLiteral("The server's certificate was not trusted (%1)")
                    .arg(certificateReason ? *certificateReason : detail)};
    case CURLE_USE_SSL_FAILED:
        return {Code::SecureChannelFailed,
                QStringLiteral("%1 (%2)").arg(
                    tlsDemand.isEmpty()
                        ? QStringLiteral("The server does not offer an encrypted connection")
                        : tlsDemand,
                    withReply)};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return {Code::SecureChannelFailed,
                QStringLiteral("The encrypted connection failed (%1)").arg(detail)};
    default:
        if (isConnectionLoss(result) || result == CURLE_PARTIAL_FILE)
            return {Code::ConnectionLost,
                    QStringLiteral("The connection to the server was lost (%1)").arg(detail)};
        return {Code::OtherFailure, QStringLiteral("The FTP transfer failed (%1)").arg(withReply)};
    }
}
