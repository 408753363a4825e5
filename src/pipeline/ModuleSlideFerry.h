#pragma once

#include "pipeline/PresentationExport.h"

#include <functional>

class FrmProgress;
class ModuleFtp;
class TransferControl;
class WizardFields;

// The conversion pipeline: the open presentation, one transfer from the slides to the server,
// and the clean-up that every way out of the program runs.
class ModuleSlideFerry {
public:
    ModuleSlideFerry(WizardFields& fields, ModuleFtp& ftp, TransferControl& inet);

    PresentationExport presentation;

    // Hides the wizard (hideWizard), shows the progress window and runs the export, the two text
    // files, the description, the upload and the clean-up, then shows "Slide-Ferry complete" and
    // the Done button. A Cancel on the progress window stops it at the next step: clean-up
    // and the program's end, without a message. A step that fails reports "Error: ..., host",
    // cleans up and ends the program; the upload and the fetches report their own failures the same
    // way.
    void transferLecture(bool appendSlides);

    // Where the finished lecture went: class, server, directory and how many slides.
    QString lectureSummary() const;

    // Closes the presentation, deletes the working files and starts the FTP "CLOSE" without
    // waiting for it. Never fails.
    void cleanUp();

    // Drops any reference to the presentation application (the wizard's start).
    void forgetPresentationApp();

    std::function<void()> hideWizard;
    FrmProgress* progressWindow = nullptr; // shown by transferLecture

private:
    [[noreturn]] void failTransfer(const QString& description);
    int expectedProgressLines(bool appendSlides) const;

    WizardFields& fields_;
    ModuleFtp& ftp_;
    TransferControl& inet_;
};
