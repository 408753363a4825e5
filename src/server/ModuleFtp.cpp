#include "server/ModuleFtp.h"

#include "platform/Failure.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"

#include <QEventLoop>

ModuleFtp::ModuleFtp(TransferControl& inetControl, WizardFields& wizardFields)
    : inet(inetControl), fields(wizardFields) {
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
        throw Failure(QStringLiteral("Still executing last request"));
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
    while (!ftpDone) {
        QEventLoop loop;
        waitLoop_ = &loop;
        loop.exec();
        waitLoop_ = nullptr;
    }
    if (programEnd::hasEnded())
        throw programEnd::ProgramEnded();
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
    const QString host = fields.ftpMachine();
    inet.URL = QStringLiteral("FTP://") + host;
    inet.UserName = fields.cvid();
    inet.Password = fields.cvPassword();
    try {
        ftpExecute(FtpOperation::ls(QStringLiteral("lumora")));
        inet.GetChunk(1024);
    } catch (const Failure& failure) {
        messages::showError(failure.description(), host);
        return false;
    }
    // A listing that ended in error (no server, wrong password, ...) is a failed test too.
    if (lastEndState_ == TransferControl::icError) {
        if (inet.certificateRefusedByUser())
            return false;
        if (inet.ResponseCode() == TransferControl::LoginRefused) {
            messages::showCritical(
                QStringLiteral("Error: ") + inet.ResponseInfo() + QStringLiteral(", ") + host +
                    QStringLiteral("\n\nThe server did not accept the Corvane account \"%1\". "
                                   "Check the Corvane user ID and password on this page.")
                        .arg(fields.cvid()),
                QStringLiteral("Error!"));
            return false;
        }
        messages::showError(inet.ResponseInfo(), host);
        return false;
    }
    return true;
}
