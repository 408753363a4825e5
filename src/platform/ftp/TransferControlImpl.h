#pragma once

#include "platform/CertificateInfo.h"
#include "platform/ftp/FtpOperation.h"
#include "platform/ftp/TransferControl.h"

#include <QByteArray>
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
//   CertificateTrust.cpp  encryption and the trust given to server certificates
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
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    QTimer timer;
    QList<SocketWatch*> watches;
    quint64 watchChanges = 0; // counts every change of the sockets curl wants watched

    int connectMs = 15000;
    int stallMs = 30000;

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
    QString localError;   // set when a local file fails during the transfer
    QByteArray lastReply; // the server's last reply line
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // Encryption of the current operation.
    QString caFile = qEnvironmentVariable("SF_FTP_CA_FILE");
    QString pinned;               // fingerprint trusted earlier for the host, "" when none
    bool certificateSeen = false; // a certificate failed verification during this attempt
    CertificateInfo seen;         // ... this one
    bool askedTrust = false;      // the user was asked during this operation
    bool userRefused = false;     // ... and refused the certificate
    bool asking = false;          // the question is open
    quint64 questions = 0;        // counts the questions, so a stale one is never answered

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
    void keepGoing();
    void checkDone();
    // Reports the end of the current operation later, from the event loop.
    void endOperation();
    bool busy() const { return running || pendingEnds > 0 || asking; }
    // Stops a running transfer and closes every kept connection (with QUIT).
    void closeSession();

    // ---- encryption (CertificateTrust.cpp) ----
    void configureTls();
    static CURLcode sslContextCallback(CURL*, void* sslContext, void* userp);
    static int certificateCallback(X509_STORE_CTX* store, void* arg);
    void askAboutCertificate();

    // ---- one operation (TransferOperation.cpp) ----
    static size_t writeCallback(char* data, size_t size, size_t count, void* userp);
    static size_t readCallback(char* buffer, size_t size, size_t count, void* userp);
    static size_t headerCallback(char* data, size_t size, size_t count, void* userp);
    // Prepares the easy handle and local files for op and adds it to the multi handle. Returns
    // false (with code and info set) when the operation fails before reaching the server.
    bool start(bool freshConnection);
    bool failLocal(int failureCode, const QString& description);
    // A failed GET leaves no file at the local path, not even an older one.
    void discardLocalFiles();
    void finish(CURLcode result);
    void describe(CURLcode result);
};
