#pragma once

#include "platform/CertificateInfo.h"
#include "platform/ftp/FtpOperation.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// The transfer component: runs one FTP operation at a time against the server named by a URL
// "FTP://host" or "FTP://host:port" (scheme in any case), or "SFTP://host[:port]" for a server
// reached over SSH, where every operation has the same outcome (see SFTP below). Execute() starts
// the operation and returns at once; the end is reported later, on the Qt thread, by exactly one
// StateChanged with icError (11) or icResponseCompleted (12). The work is driven by the Qt event
// loop (no threads, no polling). One control connection is kept and reused by the following
// operations; a lost connection is opened afresh by the next operation; CLOSE ends it.
//
// Outcomes:
//   LS     the matching bare names sorted by character code, each followed by CR LF, read
//          back with GetChunk(). No match in an existing directory: empty text, state 12, code 0.
//          A directory that does not exist, or a listing the server refuses (any error reply,
//          450 included): empty text, state 11, code 12003. "." and ".." are never listed, and
//          names beginning with "." only for a pattern beginning with ".".
//   CD     code 0 when the directory exists, 12003 otherwise (the session stays anchored at
//          the login directory, so "~/" paths always mean the same place).
//   MKDIR  code 0 when created, 12003 when refused (for example because it exists).
//   RMDIR, DELETE  code 0 when removed, 12003 when refused.
//   GET    the local file holds the server file's bytes (a transfer shorter than the size the
//          server gave fails). On any failure no file is left at the local path (a previous
//          file of that name is removed), so a stale copy is never mistaken for the server's.
//   PUT    the server file holds the local file's bytes. A missing or unreadable local file
//          ends in state 11 without contacting the server. The bytes go to "." + name +
//          ".part" first, and only once the server's size of that file (SIZE, or its directory
//          listing where SIZE is refused) equals the local file's is it renamed to the name, so
//          a cut transfer never replaces the server's earlier file, even when the server
//          acknowledged it. A wrong size ends in code 12030. A server that refuses renaming
//          gets the file under its own name, checked the same way afterwards (remembered for
//          the host). A putNew (a name the server does not hold) goes to its name directly, its
//          size checked the same way.
//   CLOSE  quits the session; state 12. Issued while another operation runs, it stops that
//          operation, which first reports its own end (state 11, code 12030).
//
// Every operation ends: when nothing comes from the server and no data moves for the stall
// time (a command without reply, a junk line, silence after "150"), it ends with 12002 and a
// description naming the command that went unanswered. Abort() ends it at once.
//
// ResponseCode(): 0 after success; 12003 server refused (error reply, file not found, access
// denied, upload refused); 12002 time-out (connect, stalled transfer or unanswered command);
// 12029 cannot connect; 12007 host not resolved; 12014 login refused; 12017 stopped by Abort();
// 12030 connection lost or data cut short; 12045 the server's certificate was not trusted;
// 12157 the encrypted connection failed; 12004 other failures, including local file errors.
// ResponseInfo() describes the failure in words.
//
// Encryption: a server that offers TLS (AUTH TLS) gets the login, the commands and the data
// encrypted; one that does not is used in clear text. The certificate must verify against the
// system's authorities and name the host. One that does not is put to askTrust (from the event
// loop, during the operation): trusting it remembers its SHA-256 fingerprint for the host in
// the settings ("TrustedCertificate/<host>") and the operation goes on; refusing ends it with
// code 12045 before the login is sent. A host with a remembered certificate is accepted only
// with exactly that certificate (or one that verifies). A host that has once logged in
// encrypted (its certificate verified or trusted) is remembered ("EncryptedLogin/<host>") and
// must keep offering TLS: one that then answers without it ends with 12157 before the user
// name is sent, and so does any host without TLS while RequireEncryption is set.
//
// SFTP: paths from the login directory are below the account's home. The account logs in with
// the user's SSH keys (agent, or ~/.ssh/id_ed25519, id_ecdsa, id_rsa) when the server accepts
// them, else with the password. The server's host key is checked before the login: an unknown
// one is put to askTrust (CertificateInfo::hostKey set, fingerprint "SHA256:<base64>"), trusted
// it is remembered for the host ("TrustedHostKey/<host>"); a key other than the one trusted is
// refused with 12045 ("The server's key changed since you trusted it"). An upload's size is
// read from the directory's listing before the temporary file takes the real name.
class TransferControl : public QObject {
    Q_OBJECT
public:
    enum { icError = 11, icResponseCompleted = 12 };
    enum Code {
        NoError = 0,
        Timeout = 12002,
        ServerRefused = 12003,
        OtherFailure = 12004,
        Cancelled = 12017,
        HostNotResolved = 12007,
        LoginRefused = 12014,
        CannotConnect = 12029,
        ConnectionLost = 12030,
        CertificateRefused = 12045,
        SecureChannelFailed = 12157,
    };

    explicit TransferControl(QObject* parent = nullptr);
    ~TransferControl() override;

    QString URL;      // "FTP://" + host, or "SFTP://" + host
    QString UserName; // FTP login
    QString Password;
    // Never logs in without TLS: a server that does not offer it is refused (12157) before the
    // user name and password are sent.
    bool RequireEncryption = false;

    // Starts one operation and returns at once. Throws Failure, before anything is started and
    // without a state report, when the URL is unusable, an operand holds control characters, a
    // GET or PUT lacks a file name, or an operation is still running (number 35764).
    void Execute(const QString& url, const FtpOperation& op);

    // Stops the running operation at once (its connection is closed); it reports its end,
    // state 11 with code 12017. Nothing happens when no operation runs.
    void Abort();

    int ResponseCode() const;
    QString ResponseInfo() const; // "" after success
    // The server's last reply line of the last operation ("550 Permission denied"), "" when
    // none came.
    QString ServerReply() const;
    // True when the connection in use is encrypted: over SSH, or logged in after AUTH TLS.
    bool Encrypted() const;
    // True when the last operation ended because the user refused the server's certificate:
    // the user has just said no, so there is nothing to report.
    bool certificateRefusedByUser() const;
    // The next part of the received listing, at most size characters; "" once all is read.
    QString GetChunk(int size);
    // True when the connection in use logged in without encryption: the password went in clear
    // text. False before any login, and after CLOSE.
    bool LoggedInClear() const;
    // True when host ("host[:port]") has logged in encrypted before and must keep doing so.
    static bool encryptedBefore(const QString& host);
    // True when the server (as the user gives it) last logged in in clear text and has not
    // logged in encrypted since.
    static bool loggedInClearBefore(const QString& server);
    // True from Execute() until the end state is reported.
    bool StillExecuting() const;

    // Connect time-out, and the time after which a transfer or a server reply that makes no
    // progress is given up (both in milliseconds; defaults 15 s and 30 s).
    void setTimeouts(int connectMs, int stallMs);
    int connectTimeout() const;
    int stallTimeout() const;

    // Decides about a certificate that could not be verified: true trusts it for its host from
    // now on. Unset, such certificates are refused.
    std::function<bool(const CertificateInfo&)> askTrust;
    // A PEM file of the authorities to verify against instead of the system's. Default: the
    // file named by the environment variable SF_FTP_CA_FILE when it is set (test setups and
    // private authorities), else the system's store.
    void setCaFile(const QString& path);

    // The fingerprint remembered as trusted for host ("host[:port]"), "" when none.
    static QString trustedFingerprint(const QString& host);
    static void rememberTrust(const QString& host, const QString& fingerprint);
    // The same for the SSH host key of an SFTP server ("SHA256:<base64>").
    static QString trustedHostKey(const QString& host);
    static void rememberHostKey(const QString& host, const QString& fingerprint);
    // The URL of the server as the user gives it: "sftp://host[:port]" as it is, a bare
    // "host[:port]" reached by FTP ("FTP://host[:port]").
    static QString urlOf(const QString& server);

signals:
    void StateChanged(int state);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
