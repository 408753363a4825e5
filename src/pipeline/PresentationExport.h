#pragma once

#include "pipeline/HelperOffices.h"
#include "pipeline/SlideReader.h"

#include <QString>
#include <cstdint>
#include <memory>

class ProgressSink;
struct LectureRecord;

namespace office {
class Application;
class Presentation;
} // namespace office

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
    // one, opens the file and reads its slide count. Reports nothing: a step that fails is skipped,
    // so a file that cannot be opened leaves slideCount at 0; lastOpenError then says why.
    // With `password` a protected presentation is opened (the password goes to the office
    // only). A protected one opened without or with a wrong password sets passwordNeeded.
    void openPresentation(const QString& path, const QString& password = {});

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

    // Writes ExportPath/Slide<i>.<format> for each slide i of the range firstSlide..lastSlide (on
    // the first office and its helpers) and ExportPath/blank.<format> from a blank slide added
    // after the last one and removed again, at getWidth() x getHeight() pixels, reporting each
    // step to `progress`. Throws Failure when
    // an export, the addition or the removal fails; the blank slide is removed in any case.
    void exportSlides(ProgressSink& progress);

    // The reads of the open presentation for the slide text files; nullptr when none is open.
    SlideReader* slides();

    bool isOpen() const;

    // Module state, read by the wizard and the transfer driver.
    bool hasApp = false;         // connected to the presentation application
    QString presentationName;    // file name part of the opened path; "" when none
    int16_t slideCount = 0;      // slides of the open presentation; 0 when none
    bool appStartedHere = false; // an attach failed at some open: the program starts the office
    QString lastOpenError;       // why the last openPresentation could not open; "" on success
    bool passwordNeeded = false; // the last open failed for want of the right password
    bool passwordWrong = false;  // ... because the password it was given is wrong
    bool repaired = false;       // the office repaired the open file or read only part of it

private:
    // The office's calls run on the worker thread, so that the window stays alive meanwhile.
    void openOnWorker(const QString& path, const QString& password);
    // Keeps, attaches to or starts the office; "" when there is one, else why not.
    QString findOrStartOffice();
    QString titleOnWorker();
    void closeDocumentOnWorker();

    LectureRecord& fields_;
    std::unique_ptr<office::Application> app_;
    std::unique_ptr<office::Presentation> presentation_;
    std::unique_ptr<SlideReader> reader_;
    HelperOffices helpers_;
};

// The file name part of a path: the characters after its last "\" or "/" (the whole path when
// there is none before its last character).
QString presentationNameOf(const QString& path);
