#pragma once

#include "lecture/ExistingLecture.h"
#include "lecture/LectureExistsChoice.h"
#include "lecture/LectureRecord.h"
#include "lecture/ProgressSink.h"
#include "platform/ftp/FtpOperation.h"
#include "platform/ftp/TransferControl.h"
#include "server/LectureChanges.h"

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
    ModuleFtp(TransferControl& inet, LectureRecord& lecture);
    ~ModuleFtp();
    ModuleFtp(const ModuleFtp&) = delete;
    ModuleFtp& operator=(const ModuleFtp&) = delete;

    // Runs one operation to its end. The outcome is not examined: callers read
    // inet.ResponseCode() or inet.GetChunk(). Errors that Execute raises at once (Failure)
    // propagate.
    // A Cancel (progress->cancelRequested()) during the wait stops the operation at once and
    // throws StoppedByUser, unless stopOnCancel is off.
    void ftpExecute(const FtpOperation& op);
    // Runs one operation to its end, as ftpExecute; true when it ended without error.
    bool ftpSucceeds(const FtpOperation& op);
    // The transfer component's state report: 11 and 12 end the wait, other states do nothing.
    void ftpStateChanged(int state);
    // Points the component at the lecture's server and Corvane account and proves the
    // connection with one listing. True when it works; false when the user refused the
    // server's certificate (nothing to report). Throws InputRefused for every other failure, with
    // advice when the login was refused.
    bool ftpConnect();

    TransferControl& inet;
    LectureRecord& lecture;
    bool ftpDone = true;
    QString lectureDir;               // set by the lecture allocation
    int16_t slideOffset = 0;          // slides the lecture already holds
    ProgressSink* progress = nullptr; // where upload steps are reported
    // When the lecture exists already: what to do, told what it holds.
    std::function<LectureExistsChoice(const ExistingLecture&)> askLectureExists;
    bool stopOnCancel = true;    // off while a stopped transfer is undone
    LectureChanges changes;      // what the current transfer did to its lecture
    int lockWaitMs = 120000;     // how long to wait for another transfer's lock
    int staleLockSeconds = 3600; // a lock older than this was left by a dead transfer

private:
    QEventLoop* waitLoop_ = nullptr;
    int lastEndState_ = 0; // end state of the last ftpExecute
    QMetaObject::Connection stateConnection_;
};
