#pragma once

#include "pipeline/PresentationExport.h"

#include <functional>

class ProgressSink;
class ModuleFtp;
class TransferControl;
struct LectureRecord;

// The conversion pipeline: the open presentation, one transfer from the slides to the server,
// and the clean-up that every way out of the program runs.
class ModuleSlideFerry {
public:
    ModuleSlideFerry(LectureRecord& fields, ModuleFtp& ftp, TransferControl& inet);

    PresentationExport presentation;

    // Runs the export, the two text files, the description, the upload and the clean-up,
    // reporting each step in `progress`, then "Slide-Ferry complete" and the summary. A step
    // that fails throws Failure; a Cancel seen at a step throws StoppedByUser. Either way the
    // caller reports, cleans up (cleanUp()) and ends.
    void transferLecture(bool appendSlides, ProgressSink& progress);

    // Where the finished lecture went: class, server, directory and how many slides.
    QString lectureSummary() const;

    // Closes the presentation, deletes the working files and starts the FTP "CLOSE" without
    // waiting for it. Never fails.
    void cleanUp();

    // Drops any reference to the presentation application (the wizard's start).
    void forgetPresentationApp();

private:
    int expectedProgressLines(bool appendSlides) const;

    LectureRecord& fields_;
    ModuleFtp& ftp_;
    TransferControl& inet_;
};
