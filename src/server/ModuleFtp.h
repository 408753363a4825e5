#pragma once

#include "platform/ftp/FtpOperation.h"
#include "platform/ftp/TransferControl.h"
#include "windows/ProgressSink.h"
#include "wizard/WizardFields.h"

#include <QString>
#include <cstdint>
#include <functional>

class QEventLoop;

// The server session's channel: every server operation goes through ftpExecute(), which turns
// the transfer component's asynchronous operation into a blocking call while window events keep
// flowing. The server procedures (account check, class catalogue, lecture allocation, upload and
// fetch) are free functions in other files that take a ModuleFtp&.
class ModuleFtp {
public:
    ModuleFtp(TransferControl& inet, WizardFields& fields);
    ~ModuleFtp();
    ModuleFtp(const ModuleFtp&) = delete;
    ModuleFtp& operator=(const ModuleFtp&) = delete;

    // Runs one operation to its end. The outcome is not examined: callers read
    // inet.ResponseCode() or inet.GetChunk(). Errors that Execute raises at once (Failure)
    // propagate. Throws programEnd::ProgramEnded when the program was ended during the wait.
    void ftpExecute(const FtpOperation& op);
    // The transfer component's state report: 11 and 12 end the wait, other states do nothing.
    void ftpStateChanged(int state);
    // Points the component at the server and account of the wizard's server page and proves the
    // connection with one listing. Shows "Error: <description>, <host>" and returns false when
    // the listing raises an error or ends in error.
    bool ftpConnect();

    TransferControl& inet;
    WizardFields& fields;
    bool ftpDone = true;
    QString lectureDir;                    // set by the lecture allocation
    int16_t slideOffset = 0;               // slides the lecture already holds
    ProgressSink* progress = nullptr;      // progress window, set by the app
    std::function<void()> cleanUp;         // the program's clean-up, set by the app
    std::function<int()> askLectureExists; // lecture-exists dialog: choice 0..3, or -1

private:
    QEventLoop* waitLoop_ = nullptr;
    int lastEndState_ = 0; // end state of the last ftpExecute
    QMetaObject::Connection stateConnection_;
};
