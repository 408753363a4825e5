#pragma once

#include "platform/CertificateInfo.h"
#include "platform/ftp/FtpOperation.h"
#include "platform/ftp/TransferControl.h"
#include "platform/ftp/TransferHelpers.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>
#include <curl/curl.h>
#include <openssl/ossl_typ.h>

class QFile;
class QSaveFile;
class QSocketNotifier;

// The inner state of a TransferControl, shared by the files that implement it:
//   TransferControl.cpp  the public class, the curl handles and the Qt event loop glue
//   TransferOperation.cpp  one operation: setting up curl for it, its callbacks, its end
//   TransferStore.cpp  the steps of an upload: temporary name, size check, rename, fallbacks
//   CertificateTrust.cpp  encryption and the trust given to server certificates
//   SftpSession.cpp  the same operations over SSH: the server's host key, and the SFTP commands
//
// libcurl's multi interface runs inside the Qt event loop: curl tells us which sockets to watch
// (socket callback -> QSocketNotifier) and when to call it back (timer callback -> QTimer); we
// hand the events back with curl_multi_socket_action. One easy handle is reused for every
// operation, so the multi handle's connection cache keeps the control connection open between
// operations.
struct TransferControl::Impl {
    struct SocketWatch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    TransferControl* q;
    // The steps of an upload (TransferStore.cpp). Each is one request on the kept connection.
    enum class Step {
        Store,        // STOR to the temporary name (or the real one), then SIZE, RNFR, RNTO
        CheckListing, // LIST of the directory, for a server that does not answer SIZE
        Rename,       // RNFR/RNTO of the temporary file, once its size was checked by listing
        DropTemp,     // DELE of the temporary file, when the server refuses to rename
    };
    // What a server was found not to do, remembered for the host's later uploads.
    struct ServerAbilities {
        bool noSize = false;   // SIZE is refused
        bool noRename = false; // RNFR/RNTO is refused
    };

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    QTimer timer;
    // Every command's deadline: the operation ends when nothing has come from the server and
    // no data has moved for stallMs, whatever curl waits for.
    QTimer watchdog;
    QElapsedTimer sinceActivity;
    QByteArray lastCommand; // the last command sent to the server (a password masked)
    bool dataMoved = false; // data moved since lastCommand was sent
    bool heard = false;     // the server has said something during this request
    QList<SocketWatch*> watches;
    quint64 watchChanges = 0; // counts every change of the sockets curl wants watched

    int connectMs = 15000;
    int stallMs = 30000;

    bool sftp = false;    // the server is reached over SSH (an "SFTP://" URL)
    bool running = false; // the easy handle is in the multi handle
    int pendingEnds = 0;  // end states queued but not yet reported
    FtpOperation op;
    QString host;
    bool retried = false;
    curl_slist* postQuote = nullptr;
    curl_slist* preQuote = nullptr;

    int code = 0;
    QString info;
    QString listing;
    qsizetype chunkPos = 0;

    QByteArray received; // listing data
    QString listPattern; // last component of a listing
    QSaveFile* download = nullptr;
    QFile* upload = nullptr;
    QString localError; // set when a local file fails during the transfer
    QString sizeError;  // set when the server's size of a stored file is wrong

    // The upload in progress (TransferStore.cpp).
    Step step = Step::Store;
    bool storeDirect = false; // stored under the real name, without the temporary one
    qint64 uploadSize = 0;
    QString abilitiesHost;
    ServerAbilities abilities;
    QByteArray lastReply; // the server's last reply line
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // Encryption of the current operation.
    QString caFile = qEnvironmentVariable("SF_FTP_CA_FILE");
    QString pinned;               // fingerprint trusted earlier for the host, "" when none
    bool certificateSeen = false; // a certificate failed verification during this attempt
    CertificateInfo seen;         // ... this one
    bool askedTrust = false;      // the user was asked during this operation
    bool userRefused = false;     // ... and refused the certificate
    bool encrypted = false;       // the connection in use logged in over TLS
    bool asking = false;          // the question is open
    // Why TLS is demanded of this host, in words for the refusal; "" when it is only tried.
    QString tlsDemand;
    bool authSent = false;       // AUTH was sent during this operation: a new connection
    bool authAccepted = false;   // the server agreed to AUTH TLS on the current connection
    bool loginSent = false;      // the user name was sent during this operation
    bool loginEncrypted = false; // ... after the server agreed to TLS
    bool loginDone = false;      // ... and the server accepted the login
    bool loggedInClear = false;  // the connection in use logged in without TLS
    quint64 questions = 0;       // counts the questions, so a stale one is never answered

    explicit Impl(TransferControl* owner);
    ~Impl();
    void ensureHandles();

    // ---- event loop integration (TransferControl.cpp) ----
    static int socketCallback(CURL*, curl_socket_t s, int what, void* userp, void* socketp);
    static int timerCallback(CURLM*, long timeoutMs, void* userp);
    void dropWatch(SocketWatch* watch);
    void dropAllWatches();
    void onSocket(curl_socket_t s, int flags);
    void onTimeout();
    void onWatchdog();
    void noteActivity();
    void keepGoing();
    void checkDone();
    // Reports the end of the current operation later, from the event loop.
    void endOperation();
    bool busy() const { return running || pendingEnds > 0 || asking; }
    // Stops a running transfer and closes every kept connection (with QUIT).
    void closeSession();
    // Ends the running operation now with code and description: its connection is dropped.
    void stopOperation(int failureCode, const QString& description);

    // ---- encryption (CertificateTrust.cpp) ----
    void configureTls();
    static CURLcode sslContextCallback(CURL*, void* sslContext, void* userp);
    static int certificateCallback(X509_STORE_CTX* store, void* arg);
    void askAboutCertificate();
    // Notes the login of an operation (when one was sent): whether the password went in clear,
    // and an encrypted login accepted is remembered for the host.
    void noteLogin();

    // ---- SSH (SftpSession.cpp) ----
    QString keyChangedFrom; // the host key trusted before, when the server showed another
    // The settings of an SFTP request: logins by password or the user's keys, and the host key
    // checked against the one trusted for the host.
    void configureSsh();
    static int hostKeyCallback(void* userp, int keyType, const char* key, size_t size);
    // An SFTP command ("mkdir", "rm", ...) for a path, and one that may fail ("*rm").
    static QByteArray sftpCommand(const char* verb, const RemotePath& path);
    // The SFTP commands that make the uploaded temporary file the real one.
    curl_slist* sftpRenameCommands() const;

    // ---- one operation (TransferOperation.cpp) ----
    static size_t writeCallback(char* data, size_t size, size_t count, void* userp);
    static size_t readCallback(char* buffer, size_t size, size_t count, void* userp);
    static size_t headerCallback(char* data, size_t size, size_t count, void* userp);
    static int debugCallback(CURL*, curl_infotype type, char* data, size_t size, void* userp);
    // Prepares the easy handle and local files for op and adds it to the multi handle. Returns
    // false (with code and info set) when the operation fails before reaching the server.
    bool start(bool freshConnection);
    // Forgets the last request's replies, data and settings.
    void clearRequest();
    // The settings every request shares: account, callbacks, time-outs, encryption.
    void configureRequest(const QByteArray& url, bool freshConnection);
    // A request that sends commands after reaching the directory and transfers nothing.
    void setCommandsOnly(curl_slist* commands);
    // MKD, RMD or DELE of the path's last name, from its parent directory (url set to that).
    bool setUpNameCommand(const RemotePath& path, QByteArray& url);

    // ---- an upload's steps (TransferStore.cpp) ----
    // Sets the easy handle up for the current step; false (with code and info) when the
    // upload cannot start.
    bool setUpStore();
    // Reads the server's reply to a SIZE of the stored file; false when the size is wrong.
    bool checkSizeReply(const QByteArray& reply);
    // Moves an upload on after a step ended with result; true when another step started.
    bool nextStoreStep(CURLcode result);
    QByteArray storeUrl() const;
    // The failure of a stored file that holds `held` bytes on the server, not all it was sent.
    QString cutShort(const QString& held) const;
    QByteArray tempName() const;
    QByteArray storedName() const;
    bool failLocal(int failureCode, const QString& description);
    // A failed GET leaves no file at the local path, not even an older one.
    void discardLocalFiles();
    void finish(CURLcode result);
    void describe(CURLcode result);
    bool listingRefused = false; // a listing ended with an error reply that curl let pass
};
