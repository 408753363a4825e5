// The page machine: what Next, Back, Finish and Cancel do on each page, which step of the lecture
// session each runs, what one page's Next carries to the next page, and the one error trap
// around it all.
#include "wizard/FrmMain.h"

#include "platform/Failure.h"
#include "platform/ProgramEnd.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"
#include "wizard/AdvancedPage.h"
#include "wizard/BusyPointer.h"
#include "wizard/LectureInfoPage.h"
#include "wizard/LumoraInfoPage.h"
#include "wizard/PowerPointFilePage.h"
#include "wizard/TitlePage.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <utility>

namespace {
// Keeps the buttons off while a step waits, so that no second click can start meanwhile.
class ButtonsOff {
public:
    ButtonsOff(int& waiting, std::function<void()> update)
        : waiting_(waiting), update_(std::move(update)) {
        ++waiting_;
        update_();
    }
    ~ButtonsOff() {
        --waiting_;
        update_();
    }
    ButtonsOff(const ButtonsOff&) = delete;
    ButtonsOff& operator=(const ButtonsOff&) = delete;

private:
    int& waiting_;
    std::function<void()> update_;
};
} // namespace

void FrmMain::report(const Failure& failure) {
    messages::showCritical(failure.message(lecture().host), QStringLiteral("Error!"));
}

// A failure the user cannot correct on a page: report it, clean up and end the program.
void FrmMain::generalFailure(const Failure& failure) {
    report(failure);
    stopProgram();
}

// Every end of the wizard before Done: the clean-up, then the program's end.
void FrmMain::stopProgram() {
    refreshLecture();
    // The clean-up may wait for an office that is still starting: the window goes first.
    hide();
    session_.cleanUp();
    programEnd::endProgram();
}

// Runs an action under the one error trap of the wizard. Input the user can correct is reported
// and the wizard stays on its page; a stop ends the program without a word (unless it ended
// already, which is what stopped the wait); any other failure is reported, cleaned up after and
// ends the program.
void FrmMain::runTrapped(const std::function<void()>& action) {
    programEnd::guardEvent([&] {
        try {
            refreshLecture();
            action();
        } catch (const Failure& f) {
            if (f.stopped()) {
                if (!programEnd::hasEnded())
                    stopProgram();
            } else if (f.kind() == Failure::Kind::Input && isVisible()) {
                report(f);
            } else {
                generalFailure(f);
            }
        } catch (const programEnd::ProgramEnded&) {
            throw;
        } catch (const std::exception& e) {
            generalFailure(Failure(QString::fromLocal8Bit(e.what())));
        }
    });
}

void FrmMain::updateButtons() {
    const bool free = waiting_ == 0;
    buttonBack_->setEnabled(free && currentPage_ > Start);
    buttonNext_->setEnabled(free && page(currentPage_)->complete());
    // No transfer may start before the lecture page: it needs the open presentation and the
    // lecture directory that Next on that page settles.
    // A class the server does not list would fail only at the upload, after the conversion.
    Finish_->setEnabled(free && currentPage_ >= LectureInfo && lectureInfo_->complete());
    // Enter presses Finish on the last page, where Next has nothing to do, and Next elsewhere.
    (currentPage_ == Finished ? Finish_ : buttonNext_)->setDefault(true);
    // A Next that is off says why, unless a step is only waiting or the wizard is at its end.
    const bool saysWhy = free && !page(currentPage_)->complete();
    nextHint_->setText(saysWhy ? page(currentPage_)->missing() : QString());
}

void FrmMain::buttonNext_Click() {
    if (deferredWhileListing(&FrmMain::buttonNext_Click))
        return;
    runTrapped([this] {
        if (currentPage_ < Finished && nextStep())
            showPage(currentPage_ + 1);
    });
}

bool FrmMain::nextStep() {
    const ButtonsOff off(waiting_, [this] { updateButtons(); });
    switch (currentPage_) {
    case Start:
        lumoraInfo_->loadSettings();
        return true;
    case LumoraInfo:
        if (!connectToServer())
            return false;
        powerPointFile_->loadSettings();
        if (!commandLineFile_.isEmpty())
            powerPointFile_->choosePresentation(commandLineFile_);
        return true;
    case PowerPointFile:
        return openPresentation();
    case LectureInfo:
        return settleLecture();
    default:
        return true;
    }
}

// Reaches the server (again only when its name was typed into since) and checks the accounts.
bool FrmMain::connectToServer() {
    // A login that went in clear text is told also when the accounts are then refused.
    const auto tellClearLogin = qScopeGuard([this] {
        lumoraInfo_->showLoginInClear(session_.loginInClear(), LectureSession::loginInClearNote());
    });
    return lumoraInfo_->whileConnecting([this](bool serverChanged) {
        return session_.connect(QStringLiteral(" on this page"), serverChanged);
    });
}

// Opens the chosen presentation and fills the later pages from it: its title, the characters
// its slides will lose, its slide range, and the class list with the remembered filters.
bool FrmMain::openPresentation() {
    reopen_ = false;
    std::optional<LectureSession::Presentation> opened;
    {
        BusyPointer busy;
        opened = session_.openPresentation(powerPointFile_->chosenPath());
    }
    if (!opened)
        return false;
    lectureInfo_->showPresentation(opened->title, opened->lostInText);
    advanced_->showSlideCount(opened->slideCount);
    lectureInfo_->loadFilters();
    refillClasses();
    lectureInfo_->loadClass();
    return true;
}

// The Advanced page's remembered choices are loaded before the lecture directory is settled:
// counting the slides of an existing lecture looks for images in the chosen format, and that
// must be the format the upload will use, or the new slides could take the old ones' names.
bool FrmMain::settleLecture() {
    // A click kept during a class listing may come when the new list left no class chosen.
    if (!lectureInfo_->complete() || !lectureInfo_->lectureDateExists())
        return false;
    loadAdvancedSettings();
    return findLecture();
}

// Looks for the lecture's directory on the server with the pages' current values; a new
// session number it chose, and the title of a lecture the slides are appended to, are shown on
// the Lecture Info page.
bool FrmMain::findLecture() {
    refreshLecture();
    const bool found = session_.findLecture();
    lectureInfo_->setSession(lecture().session);
    if (session_.appendsSlides())
        lectureInfo_->setTitle(lecture().title);
    return found;
}

void FrmMain::loadAdvancedSettings() {
    advanced_->loadSettings();
    advancedLoaded_ = true;
}

// A page that opens puts the cursor where the user is to type next, so that no keystroke after
// Next or Back is lost.
void FrmMain::showPage(int index) {
    page(index)->setVisible(true);
    page(currentPage_)->setVisible(false);
    highlightStep(false);
    currentPage_ = index;
    highlightStep(true);
    if (index == Finished)
        showPlan();
    // The note of a login in clear text is there before the password goes to that server again.
    if (index == LumoraInfo)
        lumoraInfo_->showLoginInClear(
            session_.loginInClear() || LectureSession::loggedInClearBefore(lumoraInfo_->server()),
            LectureSession::loginInClearNote());
    updateButtons();
    QWidget* target = page(index)->fieldToFocus();
    if (!target)
        target = index == Finished ? Finish_ : buttonNext_;
    target->setFocus(Qt::TabFocusReason);
}

void FrmMain::buttonBack_Click() {
    if (deferredWhileListing(&FrmMain::buttonBack_Click))
        return;
    if (currentPage_ == Start)
        return;
    if (currentPage_ == PowerPointFile) {
        advanced_->showSlideCount(0);
        session_.releaseOffice();
    }
    showPage(currentPage_ - 1);
}

void FrmMain::Finish_Click() {
    if (deferredWhileListing(&FrmMain::Finish_Click))
        return;
    runTrapped([this] {
        // After a transfer that failed: the presentation again, and the lecture looked up again
        // (the server may hold more, or less, than it did).
        if (reopen_ && !reopenPresentation())
            return;
        if (currentPage_ == LectureInfo) {
            const ButtonsOff off(waiting_, [this] { updateButtons(); });
            if (!lectureInfo_->complete() || !lectureInfo_->lectureDateExists())
                return;
            // Finish before the Advanced page was ever shown: its remembered choices, not the
            // start-up defaults, are what the transfer uses and what Done saves again.
            if (!advancedLoaded_)
                loadAdvancedSettings();
            if (!findLecture())
                return;
        }
        refreshLecture();
        // A range whose slides are all left out is refused while the wizard is still shown.
        session_.settleSlidesSent();
        hide();
        runTransfer();
    });
}

void FrmMain::runTransfer() {
    try {
        session_.transfer(frmProgress());
    } catch (const Failure& failure) {
        if (programEnd::hasEnded())
            throw;
        offerWayBack(failure);
    }
}

// A transfer that failed or was stopped has left the server as the integrity rules leave it;
// the presentation and the working files go now (the office and the connection stay), and the
// progress window offers the way back to the wizard, every field kept, or the end, which cleans
// up the rest. Nothing is saved: only Done saves the settings.
void FrmMain::offerWayBack(const Failure& failure) {
    if (!failure.stopped())
        report(failure);
    session_.endLecture();
    reopen_ = true;
    FrmProgress& progress = frmProgress();
    progress.onBack = [this] { backFromProgress(); };
    progress.onClose = [this] { stopProgram(); };
    progress.offerWayBack();
}

void FrmMain::backFromProgress() {
    FrmProgress& progress = frmProgress();
    progress.onBack = nullptr;
    progress.onClose = nullptr;
    progress.hide();
    progress.clear();
    if (currentPage_ == Finished)
        showPlan();
    show();
    updateButtons();
    Finish_->setFocus(Qt::OtherFocusReason);
}

// Opens the chosen presentation again, keeping every field (the title as typed, the range of
// the Advanced page); the lecture is looked up again, on any page.
bool FrmMain::reopenPresentation() {
    const ButtonsOff off(waiting_, [this] { updateButtons(); });
    {
        BusyPointer busy;
        if (!session_.openPresentation(powerPointFile_->chosenPath()))
            return false;
    }
    reopen_ = false;
    if (currentPage_ == LectureInfo)
        return true; // Finish there looks the lecture up itself
    return lectureInfo_->lectureDateExists() && findLecture();
}

void FrmMain::showPlan() {
    refreshLecture();
    static_cast<TitlePage*>(page(Finished))->showPlan(session_.transferPlan());
}

void FrmMain::Cancel_Click() {
    programEnd::guardEvent([this] {
        // What the user typed or chose is not thrown away without asking; on the welcome page,
        // or with nothing entered, Cancel quits at once.
        if (currentPage_ > Start && somethingEntered() &&
            !messages::askYesNo(QStringLiteral("Quit Slide-Ferry? What you entered is lost."),
                                QStringLiteral("Slide-Ferry")))
            return;
        stopProgram();
    });
}

bool FrmMain::somethingEntered() const {
    return userEdited_ || powerPointFile_->fileChosen();
}

// Choosing a class filter (or leaving one that changed) rebuilds the class list. The listing
// waits for the server while window events run: a filter changed meanwhile is listed again
// right after, and a click on Next, Back or Finish meanwhile runs once the listing is over.
void FrmMain::listClasses() {
    if (listingClasses_)
        return;
    listingClasses_ = true;
    runTrapped([this] {
        while (lectureInfo_->filtersChangedSinceListing())
            refillClasses();
    });
    listingClasses_ = false;
    if (pendingClick_) {
        auto click = std::exchange(pendingClick_, nullptr);
        QTimer::singleShot(0, this, click);
    }
}

void FrmMain::refillClasses() {
    lectureInfo_->beginListing();
    refreshLecture();
    // The class shown now (chosen, or remembered) stays while the new list holds it.
    lectureInfo_->showClasses(session_.listClasses());
}

bool FrmMain::deferredWhileListing(void (FrmMain::*click)()) {
    if (!listingClasses_)
        return false;
    pendingClick_ = [this, click] { (this->*click)(); };
    return true;
}
