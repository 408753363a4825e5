#pragma once

#include "pipeline/HelperOffices.h"
#include "pipeline/SlideReader.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

class ProgressSink;
struct LectureRecord;

namespace office {
class Application;
class Presentation;
} // namespace office

// What opening a presentation gave. Opened and Repaired leave it open; every other result leaves
// nothing open and `reason` says why in the office's or the program's words.
struct OpenOutcome {
    enum Result {
        Opened,
        Repaired,       // the office repaired the file or read only part of it
        PasswordNeeded, // protected, and opened without a password
        PasswordWrong,  // protected, and the password given is wrong
        Damaged,        // not a presentation the office can read (or too large)
        Empty,          // a presentation without slides
        NoOffice,       // the presentation application could not be started or reached
    };
    Result result = Damaged;
    QString reason;

    bool isOpen() const { return result == Opened || result == Repaired; }
    bool needsPassword() const { return result == PasswordNeeded || result == PasswordWrong; }
};

// The presentation part of the conversion pipeline: keeps the program's one connection to the
// presentation application, opens the chosen presentation, gives its title, exports the slides of
// the chosen range and a blank slide as images into the working directory, and closes the
// presentation again without ever storing it.
class PresentationExport {
public:
    explicit PresentationExport(LectureRecord& fields);
    ~PresentationExport(); // closes the presentation (and an office started here)
    PresentationExport(const PresentationExport&) = delete;
    PresentationExport& operator=(const PresentationExport&) = delete;

    // Finds or starts the office on the worker thread without waiting for it, so that the first
    // openPresentation() finds it ready. An office that cannot start is reported by that call.
    void startOfficeInBackground();
    // The same for the helper offices too, for a caller that converts without a pause for the
    // user: the helpers then draw from the first slide on. Costs their start even when the
    // presentations turn out too small for them.
    void startOfficesInBackground();

    // The office processes that draw the slides, the first one included (see HelperOffices).
    void setOfficeProcesses(int processes) { helpers_.setProcesses(processes); }
    // Waits for the helpers to be ready; how many of them have the presentation open.
    int readyHelpers() const { return helpers_.ready(); }

    // Closes any open presentation (keeping the office), attaches to the running office or starts
    // one, opens the file and reads its slide count. Never throws: what became of the file is
    // the result. With `password` a protected presentation is opened (the password goes to the
    // office only).
    OpenOutcome openPresentation(const QString& path, const QString& password = {});

    // The text of the first shape of slide 1 on one line (see oneLine) when that shape has a
    // text frame, else "". A first
    // slide without shapes gives "". Throws Failure when no presentation is open or it has no
    // slide.
    QString getPresentationTitle();

    // Marks the presentation unchanged, closes it, quits the office when the program started it,
    // and resets the state. Every step runs even when an earlier one failed; never throws.
    void closePresentation();
    // Closes only the presentation, never storing it; the office stays for the next one.
    void closeDocument();

    // Writes ExportPath/Slide<i>.<format> for each slide i sent (fields.slidesSent(), on the
    // first office and its helpers) and ExportPath/blank.<format> from a blank slide added
    // after the last one and removed again, at getWidth() x getHeight() pixels, reporting each
    // step to `progress`. Throws Failure when
    // an export, the addition or the removal fails; the blank slide is removed in any case.
    void exportSlides(ProgressSink& progress);

    // The reads of the open presentation for the slide text files; nullptr when none is open.
    SlideReader* slides();

    bool isOpen() const;
    // Slides of the open presentation; 0 when none is open.
    int slideCount() const { return slideCount_; }
    // The slides hidden in the open presentation, ascending (read when it was opened; a slide
    // whose flag cannot be read counts as shown).
    const QList<int>& hiddenSlides() const { return hiddenSlides_; }
    // The file name part of the opened path; "" when none is open.
    const QString& presentationName() const { return presentationName_; }
    // Connected to the presentation application.
    bool hasOffice() const { return app_ != nullptr; }
    // An attach failed at some open, so this program started the office (and quits it).
    bool officeStartedHere() const { return appStartedHere_; }

private:
    // The office's calls run on the worker thread, so that the window stays alive meanwhile.
    OpenOutcome openOnWorker(const QString& path, const QString& password);
    // Keeps, attaches to or starts the office; "" when there is one, else why not.
    QString findOrStartOffice();
    QString titleOnWorker();
    void readHiddenSlides();
    void closeDocumentOnWorker();

    LectureRecord& fields_;
    std::unique_ptr<office::Application> app_;
    std::unique_ptr<office::Presentation> presentation_;
    std::unique_ptr<SlideReader> reader_;
    HelperOffices helpers_;
    QString presentationName_;
    QList<int> hiddenSlides_;
    int16_t slideCount_ = 0;
    bool appStartedHere_ = false;
};

// The file name part of a path: the characters after its last "\" or "/" (the whole path when
// there is none before its last character).
QString presentationNameOf(const QString& path);
