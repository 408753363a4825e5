#include "server/ModuleFtp.h"

#include "platform/Failure.h"
#include "platform/ProgramEnd.h"

#include <QEventLoop>
#include <QTimer>

ModuleFtp::ModuleFtp(TransferControl& inetControl, LectureRecord& lectureRecord)
    : inet(inetControl), lecture(lectureRecord) {
    stateConnection_ = QObject::connect(&inet, &TransferControl::StateChanged,
                                        [this](int state) { ftpStateChanged(state); });
}

ModuleFtp::~ModuleFtp() {
    QObject::disconnect(stateConnection_);
}

void ModuleFtp::ftpExecute(const FtpOperation& op) {
    // A second operation started from an event handler while one is waiting is refused before
    // the flag is touched, so the waiting caller still waits for its own operation's end.
    if (inet.StillExecuting())
        throw ServerFailure(QStringLiteral("Still executing last request"));
    ftpDone = false;
    lastEndState_ = 0;
    try {
        inet.Execute(inet.URL, op);
    } catch (...) {
        // Nothing was started, so no end state will come.
        ftpDone = true;
        throw;
    }
    // The end state always arrives later from the event loop; window events keep being
    // delivered while we wait here.
    // A Cancel is looked for while waiting, so that a server that stays silent never holds
    // the user: the operation is stopped and reports its end at once.
    bool cancelled = false;
    QTimer cancelWatch;
    cancelWatch.setInterval(100);
    QObject::connect(&cancelWatch, &QTimer::timeout, [this, &cancelled] {
        if (!cancelled && stopOnCancel && progress && progress->cancelRequested()) {
            cancelled = true;
            inet.Abort();
        }
    });
    cancelWatch.start();
    while (!ftpDone) {
        QEventLoop loop;
        waitLoop_ = &loop;
        loop.exec();
        waitLoop_ = nullptr;
    }
    cancelWatch.stop();
    // A program that ended during the wait (possible only where the end returns, as in a test
    // harness) stops the work like a Cancel.
    if (cancelled || programEnd::hasEnded())
        throw StoppedByUser();
}

bool ModuleFtp::ftpSucceeds(const FtpOperation& op) {
    ftpExecute(op);
    return inet.ResponseCode() == TransferControl::NoError;
}

void ModuleFtp::ftpStateChanged(int state) {
    if (state != TransferControl::icError && state != TransferControl::icResponseCompleted)
        return;
    lastEndState_ = state;
    ftpDone = true;
    if (waitLoop_)
        waitLoop_->quit();
}

bool ModuleFtp::ftpConnect() {
    inet.URL = TransferControl::urlOf(lecture.host);
    inet.UserName = lecture.corvaneId;
    inet.Password = lecture.corvanePassword;
    inet.RequireEncryption = lecture.requireEncryption;
    try {
        ftpExecute(FtpOperation::ls(QStringLiteral("lumora")));
        inet.GetChunk(1024);
    } catch (const Failure& failure) {
        if (failure.stopped())
            throw;
        throw InputRefused(failure.description(), failure.number());
    }
    // A listing that ended in error (no server, wrong password, ...) is a failed test too.
    if (lastEndState_ != TransferControl::icError)
        return true;
    if (inet.certificateRefusedByUser())
        return false; // the user has just said no: nothing to report
    InputRefused refused(inet.ResponseInfo(), inet.ResponseCode());
    switch (inet.ResponseCode()) {
    case TransferControl::LoginRefused:
        refused.withAdvice(QStringLiteral("The server did not accept the Corvane account \"%1\". "
                                          "Check the Corvane user ID and password.")
                               .arg(lecture.corvaneId));
        break;
    case TransferControl::HostNotResolved:
        refused.withAdvice(QStringLiteral("No server of that name was found. Check the server's "
                                          "name, and that this computer is connected to the "
                                          "network."));
        break;
    case TransferControl::CannotConnect:
        refused.withAdvice(QStringLiteral("The server did not take the connection. Check the "
                                          "server's name and port, and that the server is "
                                          "running and reachable from this network."));
        break;
    default:
        break;
    }
    throw refused;
}
