#pragma once

#include "pipeline/PresentationExport.h"

#include <functional>
#include <memory>

class PrivateFolder;
class ProgressSink;
class ModuleFtp;
class TransferControl;
struct LectureRecord;

// The conversion pipeline: the open presentation, one transfer from the slides to the server,
// and the clean-up that every way out of the program runs.
class ModuleSlideFerry {
public:
    ModuleSlideFerry(LectureRecord& fields, ModuleFtp& ftp, TransferControl& inet);
    ~ModuleSlideFerry();

    PresentationExport presentation;

    // What a finished transfer leaves: everything ended (the presentation closed, the office
    // quit, the connection closed), or the office and the connection kept for the next lecture
    // of the same run (the presentation closed, its working files deleted).
    enum class AfterTransfer { EndSession, KeepSession };

    // Settles the slides sent (a range left with none throws Input before anything is done) and
    // names the range's hidden slides in a line; opens the lecture on the server (claims a new
    // one, locks and counts an existing one), runs the export, the two text files, the description,
    // the upload and the clean-up, reporting each step in `progress`, then "Slide-Ferry complete"
    // and the summary. A step that fails throws Failure; a Cancel seen at a step throws
    // StoppedByUser. Either way what the transfer added to the server is removed first, and a
    // failure's advice says whether the server is as it was or exactly what is left (a stop that
    // could not be undone becomes a Failure). The caller reports, cleans up (cleanUp(), or
    // endLecture() to go on) and ends.
    void transferLecture(bool appendSlides, ProgressSink& progress,
                         AfterTransfer after = AfterTransfer::EndSession);

    // Settles which slides of the lecture's range are sent (see settleSlidesSent in
    // HiddenSlides.h) and returns the range's hidden slides. Throws Input when none is sent.
    QList<int> settleSlidesSent();
    // The slides of the lecture's range that are hidden in the open presentation.
    QList<int> hiddenSlides() const;

    // Where the finished lecture went: class, server, directory and how many slides.
    QString lectureSummary() const;

    // Closes the presentation, removes the transfer's private working folder and starts the
    // FTP "CLOSE" without waiting for it. Never fails.
    void cleanUp();
    // Closes the presentation and removes the private working folder, keeping the office and
    // the server connection for another lecture. Never fails.
    void endLecture();

private:
    int expectedProgressLines(bool appendSlides, bool hiddenLine) const;
    void makeLectureFiles(bool appendSlides, ProgressSink& progress);
    void warnOfLostCharacters(SlideReader& reader, ProgressSink& progress) const;

    LectureRecord& fields_;
    ModuleFtp& ftp_;
    TransferControl& inet_;
    // The transfer's own folder inside the working directory (unique name, owner-only), where
    // its files are made; gone with endLecture().
    std::unique_ptr<PrivateFolder> workFolder_;
};
