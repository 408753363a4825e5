#pragma once

#include "lecture/LectureRecord.h"
#include "session/LectureSession.h"
#include "wizard/WizardQuestions.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;
class FrmProgress;
class FrmFTPError;
class Failure;
class WizardPage;
class LumoraInfoPage;
class PowerPointFilePage;
class LectureInfoPage;
class AdvancedPage;

// The wizard window: six pages behind Next and Back, the step panel on the left and the
// buttons below. Each page keeps its own fields; the window moves between them, runs the lecture
// session's steps behind Next and Finish, carries what one step found to the next page, and
// holds the one error trap that reports a failure: input the user can correct keeps the page,
// anything else is reported, cleaned up after and ends the program. It owns the lecture session,
// so the whole run of the program hangs off its single instance.
class FrmMain : public QDialog {
    Q_OBJECT
public:
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    enum Page { Start, LumoraInfo, PowerPointFile, LectureInfo, Advanced, Finished };

    // The progress window, created on first use and kept for the whole run.
    FrmProgress& frmProgress();

    // The presentation named on the command line (or dropped): chosen whenever the file page
    // is entered.
    void setCommandLineFile(const QString& path) { commandLineFile_ = path; }

    // Button actions (also reached by Enter, Escape and a double click in the file list).
    void buttonNext_Click();
    void buttonBack_Click();
    void Finish_Click();
    void Cancel_Click();

    // A file dropped on the window: chosen on the file page (the wizard goes back to it from a
    // later page; from an earlier one it is chosen once the page opens). `dropped` counts the
    // files of the drop: of several, the first is taken and the user is told.
    void takeDroppedFile(const QString& path, int dropped);

    // Saves the remembered choices of every page (the Done button of the progress window).
    void saveSettings();

    // The lecture's values as the server session and the pipeline read them: filled from the
    // pages by refreshLecture() before every step that reaches them.
    const LectureRecord& lecture() const { return session_.lecture(); }
    void refreshLecture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void reject() override; // Escape presses Cancel
    void showEvent(QShowEvent* event) override;

private:
    // The tests read the lecture session through this class, which only they define.
    friend class WizardProbe;

    // The lecture-exists dialog, created on first use and kept for the whole run.
    FrmFTPError& frmFTPError();

    void buildWindow();
    QWidget* buildStepPanel();
    QWidget* buildPageArea();
    QHBoxLayout* buildButtonRow();
    void connectPages();
    WizardPage* page(int index) const { return pages_[static_cast<size_t>(index)]; }

    // Drops of files anywhere on the window, also on a field that would take text.
    void acceptDroppedFiles();
    bool takesDrop(QEvent* event);

    // Next on each page: false means stay on the page.
    bool nextStep();
    bool connectToServer();
    bool openPresentation();
    bool settleLecture();
    bool findLecture();
    void loadAdvancedSettings();
    // Shows the page `index` in place of the current one and puts the cursor on it.
    void showPage(int index);
    void highlightStep(bool on);
    // Keeps the window, frame and title bar included, inside its screen's free area.
    void placeOnScreen();
    // The buttons as the current page allows them; all off while a step waits.
    void updateButtons();
    bool somethingEntered() const;

    // Finish: the transfer, and what follows one that failed or was stopped.
    void runTransfer();
    void offerWayBack(const Failure& failure);
    void backFromProgress();
    bool reopenPresentation();
    // The Finish page's plan, from the pages' values.
    void showPlan();

    // The one report of a failure to the user.
    void report(const Failure& failure);
    void generalFailure(const Failure& failure);
    void stopProgram();
    void runTrapped(const std::function<void()>& action);

    // Reads the class list again while the filters changed since it was last read.
    void listClasses();
    void refillClasses();
    // True when a listing is under way: the click then runs once it is over.
    bool deferredWhileListing(void (FrmMain::*click)());

    WizardQuestions questions_;
    LectureSession session_;
    std::unique_ptr<FrmProgress> frmProgress_;
    std::unique_ptr<FrmFTPError> frmFTPError_;

    std::array<WizardPage*, 6> pages_{};
    LumoraInfoPage* lumoraInfo_ = nullptr;
    PowerPointFilePage* powerPointFile_ = nullptr;
    LectureInfoPage* lectureInfo_ = nullptr;
    AdvancedPage* advanced_ = nullptr;
    std::array<QFrame*, 6> box_{};
    std::array<QLabel*, 6> boxText_{};
    QPushButton* Help_ = nullptr;
    QPushButton* Cancel_ = nullptr;
    QPushButton* buttonBack_ = nullptr;
    QPushButton* buttonNext_ = nullptr;
    QPushButton* Finish_ = nullptr;
    QLabel* nextHint_ = nullptr;

    int currentPage_ = Start;
    int waiting_ = 0; // steps under way that keep the buttons off
    bool advancedLoaded_ = false;
    bool userEdited_ = false; // the user typed into a field or chose from a list
    bool listingClasses_ = false;
    bool reopen_ = false; // a transfer failed: the presentation is opened again by Finish
    std::function<void()> pendingClick_;
    QString commandLineFile_;
};
