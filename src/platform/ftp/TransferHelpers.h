#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <curl/curl.h>
#include <optional>

// The plain rules of the transfer component, free of curl handles, sockets and servers: the
// server address and paths, the listing's filter, and the words and numbers of an outcome.

// True when text holds a control character (below U+0020, or DEL): such text would break the
// FTP command it is sent in.
bool hasControlCharacter(const QString& text);

// "FTP://host[:port]" or "SFTP://host[:port]" (scheme in any case, one trailing "/" allowed) ->
// "host[:port]". The host is a DNS name or a bracketed IPv6 address; the port 1 to 65535.
// Throws Failure for anything else.
QString hostFromUrl(const QString& url);
// True for an "SFTP://" URL: the server is reached over SSH.
bool isSftpUrl(const QString& url);

// The bare host name of "host[:port]": without the port, the brackets of an IPv6 address and
// a DNS name's trailing dot. It is the name a server certificate must carry.
QString hostNameOf(const QString& hostPort);

// A server path split into directory names and a last component. "~" and "~/..." are relative
// to the login directory, "/..." to the server's root; empty names ("a//b") are dropped.
struct RemotePath {
    bool absolute = false;
    QStringList dirs;
    QString last; // empty when the path ends with "/" or names the login directory
};
RemotePath splitRemote(const QString& path);

// The URL of a directory ("ftp://host/a/b/"), each name percent-encoded so that blanks, "#",
// "?" and ";" stay part of the name. Over SFTP a path from the login directory is one below
// the account's home: "sftp://host/~/a/b/".
QByteArray dirUrl(const QString& host, const RemotePath& path, bool sftp = false);

// A path as an SFTP command takes it ("mkdir", "rename", "rm", "rmdir"): in double quotes, a
// '"' or '\\' escaped; a path from the login directory relative (to the account's home).
QByteArray sftpCommandPath(const RemotePath& path);

// The names of a server's bare listing (one per line, LF or CR LF, possibly with a path in
// front) that match pattern ("*" and "?", all else literal; "" matches all), sorted by
// character code, each followed by CR LF. "." and ".." are never listed, and names beginning
// with "." only for a pattern beginning with ".".
QString listingOf(const QByteArray& received, const QString& pattern);

// True for the results of a connection that the server closed or broke.
bool isConnectionLoss(CURLcode result);

// What a finished curl transfer means to the caller: a TransferControl::Code and its words.
struct TransferOutcome {
    int code = 0;
    QString info; // "" after success
};

// The outcome of result. lastReply is the server's last reply line, curlDetail curl's error
// text ("" for the general text of result), operation the operation's words, and
// certificateReason why the server's certificate failed verification, when one did, and
// tlsDemand the words for a server that does not offer the TLS demanded of it.
TransferOutcome outcomeOf(CURLcode result, const QByteArray& lastReply, const QString& curlDetail,
                          const QString& operation, const std::optional<QString>& certificateReason,
                          const QString& tlsDemand = {});
