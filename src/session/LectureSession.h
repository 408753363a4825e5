#pragma once

#include "lecture/LectureRecord.h"
#include "pipeline/ModuleSlideFerry.h"

#include <QList>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

class LectureQuestions;
class ModuleFtp;
class ProgressSink;
class TransferControl;

// One lecture's road from a presentation to the server, below every front end: it owns the
// transfer control, the server session, the conversion pipeline and the open presentation, and
// runs a lecture's steps in their order. A front end fills the lecture record, calls the steps,
// answers the session's questions (LectureQuestions) and reports what a step throws: every step
// throws Failure, whose kind says whether the user can correct it (Input), stopped the work
// (Stopped) or met a failure of the server, this machine or the office.
//
// The steps: connect() once per server; listClasses() or requireListedClass(); then for each
// lecture openPresentation(), findLecture() and transfer(), and endLecture() or cleanUp().
class LectureSession {
public:
    explicit LectureSession(LectureQuestions& questions);
    ~LectureSession();
    LectureSession(const LectureSession&) = delete;
    LectureSession& operator=(const LectureSession&) = delete;

    // The lecture's values: the front end fills them before each step.
    LectureRecord& lecture() { return lecture_; }
    const LectureRecord& lecture() const { return lecture_; }

    // Starts the office without waiting for it (with its helper offices when the slides will be
    // drawn right after opening, as in the batch command).
    void startOfficeInBackground(bool withHelpers);

    // Reaches the server with the record's host and Corvane account and checks the Lumora
    // account. False when the user refused the server's certificate (nothing to report).
    // `accountWhere` says where the Lumora account is given, for the message that refuses it.
    // With `reconnect` off an existing connection is only asked about the account.
    bool connect(const QString& accountWhere, bool reconnect = true);

    // True when the connection logged in without encryption: the Corvane password went in
    // clear text. Every front end shows loginInClearNote() then.
    bool loginInClear() const;
    static QString loginInClearNote();
    // True when `server` logged in in clear text the last time (so before the login is sent again).
    static bool loggedInClearBefore(const QString& server);

    // The classes of the server that pass the record's term and year filters.
    QStringList listClasses();
    // Throws Input when the server does not list the record's class.
    void requireListedClass();

    // What an opened presentation holds, as far as a lecture needs it.
    struct Presentation {
        QString name; // the file name
        int slideCount = 0;
        QString title;          // the first slide's title ("" when it has none)
        QStringList lostInText; // characters of the slide texts the server's files cannot hold
        bool repaired = false;  // the office repaired the file, or read only part of it
    };
    // Opens the presentation at `path`, asking for its password while needed. The slides to send
    // are first..last of the record when `checkRange` is on (a last slide of 0 means the last
    // one), else all of them; the record's range is set to them. A presentation that cannot be
    // sent (damaged, without slides, a range it does not have) throws Input; one repaired or
    // showing nothing is sent only when the questions say so. Nothing (and nothing left open)
    // when the user gave up.
    std::optional<Presentation> openPresentation(const QString& path, bool checkRange = false);
    // The slides of the record's range that are hidden in the open presentation (sent unless
    // the record leaves them out), ascending.
    QList<int> hiddenSlides() const;
    // Settles the slides to send: the record's range, without its hidden slides when the record
    // leaves them out. Returns them; throws Input when that leaves none. transfer() settles them
    // again; a front end calls this to refuse such a range before it starts a transfer.
    QList<int> settleSlidesSent();

    // Closes the presentation, keeping the office.
    void closePresentation();
    // Closes the presentation and quits an office this program started.
    void releaseOffice();

    // Settles the lecture's directory on the server (asking when it exists). False when the user
    // chose to change the date; the record's session may have moved on to a free one.
    bool findLecture();
    // The lecture exists and the slides go after its own.
    bool appendsSlides() const { return appendSlides_; }
    // The lecture's directory below ~/lumora, "classes/<class>/<date>.<session>".
    QString lectureDirectory() const;

    // Whether the connection to the server is encrypted (TLS), as of its last operation.
    bool connectionEncrypted() const;

    // What Finish will do, as (label, value) lines: the presentation and its slides, the class,
    // the lecture's directory on the server (new, or appended after the slides it holds), date,
    // session, title, images, server and whether the connection is encrypted. Valid after
    // findLecture(); every line of the plan is added here.
    using PlanLine = std::pair<QString, QString>;
    QList<PlanLine> transferPlan() const;

    // Where a Cancel is looked for while the server is waited for, before a transfer starts.
    void reportTo(ProgressSink& progress);
    // Sends the lecture (see ModuleSlideFerry::transferLecture): the progress goes to
    // `progress`, a Cancel there stops it. KeepSession leaves the office and the connection for
    // another lecture.
    void
    transfer(ProgressSink& progress,
             ModuleSlideFerry::AfterTransfer after = ModuleSlideFerry::AfterTransfer::EndSession);

    // Where the sent lecture went: class, server, directory and how many slides.
    QString lectureSummary() const;
    // Ends a lecture that went wrong or was sent, keeping the office and the connection.
    void endLecture();
    // Ends everything: the presentation, the office this program started, the connection.
    void cleanUp();

    // The parts: the transfer control, the server session and the conversion pipeline.
    TransferControl& inet1() { return *inet_; }
    ModuleFtp& moduleFTP() { return *ftp_; }
    ModuleSlideFerry& moduleSlideFerry() { return *pipeline_; }

private:
    std::optional<Presentation> openAsked(const QString& path);
    void settleRange(const Presentation& opened, bool checkRange);
    bool doubtsAnswered(const Presentation& opened);

    LectureQuestions& questions_;
    LectureRecord lecture_;
    std::unique_ptr<TransferControl> inet_;
    std::unique_ptr<ModuleFtp> ftp_;
    std::unique_ptr<ModuleSlideFerry> pipeline_;
    bool appendSlides_ = false;
    QString presentationName_; // of the presentation opened last, also once it is closed
};
