// The page machine: what Next, Back, Finish and Cancel do on each page.
#include "wizard/FrmMain.h"

#include "pipeline/CodePageCheck.h"
#include "pipeline/EmptyPresentation.h"
#include "pipeline/ModuleSlideFerry.h"
#include "platform/Failure.h"
#include "platform/ProgramEnd.h"
#include "server/AccountCheck.h"
#include "server/ClassCatalogue.h"
#include "server/LectureDirectory.h"
#include "server/ModuleFtp.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"
#include "wizard/DirectoryList.h"
#include "wizard/DriveList.h"
#include "wizard/FileList.h"
#include "wizard/WizardSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <vector>

namespace {
// The busy pointer for the whole application while the wizard waits.
struct BusyPointer {
    bool on = false;
    void set() {
        if (!on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        on = true;
    }
    void clear() {
        if (on)
            QApplication::restoreOverrideCursor();
        on = false;
    }
    ~BusyPointer() { clear(); }
};
} // namespace

FrmMain::ButtonSnapshot FrmMain::saveAndDisableButtons() {
    ButtonSnapshot s{buttonBack->isEnabled(), buttonNext->isEnabled(), Finish->isEnabled()};
    buttonBack->setEnabled(false);
    buttonNext->setEnabled(false);
    Finish->setEnabled(false);
    return s;
}

void FrmMain::restoreButtons(const ButtonSnapshot& s) {
    buttonBack->setEnabled(s.back);
    buttonNext->setEnabled(s.next);
    Finish->setEnabled(s.finish);
}

// A failure that no step handled itself: report it, clean up and end the program.
void FrmMain::generalFailure(const Failure& failure) {
    messages::showCritical(failure.message(FTPMachine->text()), QStringLiteral("Error!"));
    stopProgram();
}

// Every end of the wizard before Done: the clean-up, then the program's end.
void FrmMain::stopProgram() {
    refreshLecture();
    // The clean-up may wait for an office that is still starting: the window goes first.
    hide();
    moduleSlideFerry().cleanUp();
    programEnd::endProgram();
}

// Runs an action under the one error trap of the wizard: a failure that the action did not
// handle itself is reported, cleaned up after and ends the program.
void FrmMain::runTrapped(const std::function<void()>& action) {
    programEnd::guardEvent([&] {
        try {
            refreshLecture();
            action();
        } catch (const Failure& f) {
            generalFailure(f);
        } catch (const StoppedByUser&) {
            stopProgram(); // the user's own choice: nothing to report
        } catch (const programEnd::ProgramEnded&) {
            throw;
        } catch (const std::exception& e) {
            generalFailure(Failure(QString::fromLocal8Bit(e.what())));
        }
    });
}

void FrmMain::buttonNext_Click() {
    if (deferredWhileListing(&FrmMain::buttonNext_Click))
        return;
    runTrapped([this] {
        bool advanceOk = false;
        switch (currentPage) {
        case 0:
            advanceOk = stepStart();
            break;
        case 1:
            advanceOk = stepLumoraInfo();
            break;
        case 2:
            advanceOk = stepPowerPointFile();
            break;
        case 3:
            advanceOk = stepLectureInfo();
            break;
        case 4:
            buttonNext->setEnabled(false);
            advanceOk = true;
            break;
        default:
            break;
        }
        if (advanceOk && currentPage < 5)
            advance();
    });
}

bool FrmMain::stepStart() {
    buttonBack->setEnabled(true);
    buttonNext->setEnabled(accountComplete);
    wizardSettings::loadLumoraPage(*this);
    return true;
}

bool FrmMain::stepLumoraInfo() {
    const ButtonSnapshot saved = saveAndDisableButtons();
    BusyPointer busy;
    busy.set();
    connecting->setVisible(true);
    auto endWait = [&] {
        busy.clear();
        restoreButtons(saved);
        connecting->setVisible(false);
    };
    auto stay = [&] {
        endWait();
        return false;
    };

    if (serverChanged) {
        serverChanged = false;
        try {
            if (!moduleFTP().ftpConnect())
                return stay();
        } catch (const InputRefused& refused) {
            messages::showCritical(refused.message(FTPMachine->text()), QStringLiteral("Error!"));
            return stay();
        }
    }
    bool accountOk = false;
    try {
        accountOk = ftpCheckAccount(moduleFTP());
    } catch (const Failure& f) {
        // The account file could not be fetched: say why and let the user correct the server.
        busy.clear();
        messages::showError(f.description(), FTPMachine->text());
        return stay();
    }
    if (!accountOk) {
        busy.clear();
        messages::showCritical(lumoraAccountRefused(ID->text(), QStringLiteral(" on this page")),
                               QStringLiteral("Error!"));
        return stay();
    }
    endWait();
    buttonNext->setEnabled(fileChosen);
    wizardSettings::loadFilePage(*this);
    if (!commandLineFile.isEmpty())
        choosePresentation(commandLineFile);
    return true;
}

bool FrmMain::stepPowerPointFile() {
    const ButtonSnapshot saved = saveAndDisableButtons();
    BusyPointer busy;
    busy.set();
    PresentationExport& presentation = moduleSlideFerry().presentation;
    const QString path = QDir(dirList->path()).filePath(fileList->fileName());
    presentation.openPresentation(path);
    // A protected presentation is opened with the password the user gives, asked again while it
    // is wrong; Cancel stays on this page. The password goes to the office only.
    while (presentation.slideCount <= 0 && presentation.passwordNeeded) {
        busy.clear();
        const QString name = presentation.presentationName;
        QString password;
        if (!messages::askPassword(
                presentation.passwordWrong
                    ? QStringLiteral("The password is wrong. Password of %1:").arg(name)
                    : QStringLiteral("%1 is password-protected. Password:").arg(name),
                QStringLiteral("Slide-Ferry"), password)) {
            presentation.closeDocument();
            restoreButtons(saved);
            return false;
        }
        busy.set();
        presentation.openPresentation(path, password);
    }
    if (presentation.slideCount <= 0) {
        // A file that cannot be used is said so, and the user picks another on this page.
        const Failure refused(presentation.lastOpenError.isEmpty()
                                  ? QStringLiteral("The presentation has no slides")
                                  : presentation.lastOpenError);
        presentation.closeDocument();
        busy.clear();
        messages::showCritical(refused.message(FTPMachine->text()), QStringLiteral("Error!"));
        restoreButtons(saved);
        return false;
    }
    // Slides that all show nothing are uploaded only when the user says so.
    if (noSlideShowsAnything(*presentation.slides(), 1, presentation.slideCount)) {
        busy.clear();
        if (!messages::askYesNo(
                emptyPresentationText(presentation.presentationName, presentation.slideCount) +
                    QStringLiteral(" Upload anyway?"),
                QStringLiteral("Slide-Ferry"))) {
            presentation.closeDocument();
            restoreButtons(saved);
            return false;
        }
        busy.set();
    }
    Title->setText(presentation.getPresentationTitle());
    Title->setCursorPosition(0); // a long title shows its beginning
    lostInSlides_ = charactersLostInSlides(*presentation.slides(), presentation.slideCount);
    showCodePageWarning();
    busy.clear();

    // A second visit refills the range lists from scratch.
    firstSlide->clear();
    lastSlide->clear();
    for (int i = 1; i <= presentation.slideCount; ++i)
        firstSlide->addItem(QStringLiteral(" ") + QString::number(i));
    for (int i = 1; i <= presentation.slideCount; ++i)
        lastSlide->addItem(QStringLiteral(" ") + QString::number(i));
    firstSlide->setCurrentIndex(0);
    lastSlide->setCurrentIndex(lastSlide->count() - 1);

    wizardSettings::loadFilters(*this);
    // The buttons stay off while the class listing waits for the server, so that no second
    // Next can start meanwhile.
    refillClasses();
    wizardSettings::loadClass(*this);
    restoreButtons(saved);
    buttonNext->setEnabled(titleGiven);
    Finish->setEnabled(titleGiven);
    return true;
}

// The Advanced page's remembered choices are loaded before the lecture directory is settled:
// counting the slides of an existing lecture looks for images in the chosen format, and that
// must be the format the upload will use, or the new slides could take the old ones' names.
bool FrmMain::stepLectureInfo() {
    if (!lectureDateExists())
        return false;
    const ButtonSnapshot saved = saveAndDisableButtons();
    loadAdvancedSettings();
    if (!findLecture()) {
        restoreButtons(saved);
        return false;
    }
    restoreButtons(saved);
    buttonNext->setEnabled(sizeValid);
    return true;
}

// Looks for the lecture's directory on the server with the pages' current values; a new
// session number it chose is shown on the Lecture Info page.
bool FrmMain::findLecture() {
    refreshLecture();
    try {
        const bool found = ftpFindLecture(moduleFTP(), appendSlides);
        Session->setText(lecture_.session);
        return found;
    } catch (const InputRefused& refused) {
        messages::showCritical(refused.message(FTPMachine->text()), QStringLiteral("Error!"));
        return false;
    }
}

void FrmMain::loadAdvancedSettings() {
    wizardSettings::loadAdvancedPage(*this);
    advancedLoaded_ = true;
}

void FrmMain::advance() {
    frame[currentPage + 1]->setVisible(true);
    frame[currentPage]->setVisible(false);
    unhighlightStep();
    ++currentPage;
    highlightStep();
    focusFirstEmptyField();
}

void FrmMain::goBack() {
    frame[currentPage - 1]->setVisible(true);
    frame[currentPage]->setVisible(false);
    unhighlightStep();
    --currentPage;
    highlightStep();
    focusFirstEmptyField();
}

// A page that opens puts the cursor where the user is to type next: its first empty field, or
// its main field when all are filled, so that no keystroke after Next or Back is lost.
void FrmMain::focusFirstEmptyField() {
    std::vector<QWidget*> fields;
    QWidget* whenFilled = nullptr;
    switch (currentPage) {
    case 1:
        fields = {FTPMachine, ID, Password, CVID, CVPassword};
        whenFilled = CVPassword;
        break;
    case 2:
        fields = {fileList};
        whenFilled = fileList;
        break;
    case 3:
        fields = {Classes, Title, Session};
        whenFilled = Title;
        break;
    case 4:
        if (Resolution->currentIndex() == 0)
            fields = {imageWidth, imageHeight};
        fields.push_back(ExportPath);
        whenFilled = Resolution;
        break;
    default:
        whenFilled = currentPage == 5 ? Finish : buttonNext;
        break;
    }
    QWidget* target = whenFilled;
    for (QWidget* f : fields) {
        const auto* edit = qobject_cast<QLineEdit*>(f);
        const auto* combo = qobject_cast<QComboBox*>(f);
        const auto* list = qobject_cast<QListWidget*>(f);
        const bool empty = (edit && edit->text().isEmpty()) ||
                           (combo && combo->currentText().isEmpty()) ||
                           (list && list->selectedItems().isEmpty());
        if (empty) {
            target = f;
            break;
        }
    }
    target->setFocus(Qt::TabFocusReason);
}

void FrmMain::buttonBack_Click() {
    if (deferredWhileListing(&FrmMain::buttonBack_Click))
        return;
    switch (currentPage) {
    case 1:
        buttonBack->setEnabled(false);
        buttonNext->setEnabled(true);
        break;
    case 2:
        while (firstSlide->count() > 0)
            firstSlide->removeItem(firstSlide->count() - 1);
        while (lastSlide->count() > 0)
            lastSlide->removeItem(lastSlide->count() - 1);
        moduleSlideFerry().presentation.closePresentation();
        buttonNext->setEnabled(accountComplete);
        break;
    case 3:
        buttonNext->setEnabled(fileChosen);
        // No transfer may start below the lecture page: it needs the open presentation and the
        // lecture directory that Next on this page settles.
        Finish->setEnabled(false);
        break;
    case 4:
        buttonNext->setEnabled(true);
        break;
    case 5:
        buttonNext->setEnabled(sizeValid);
        break;
    default:
        break;
    }
    if (currentPage > 0)
        goBack();
}

void FrmMain::Finish_Click() {
    if (deferredWhileListing(&FrmMain::Finish_Click))
        return;
    runTrapped([this] {
        if (currentPage == 3) {
            if (!lectureDateExists())
                return;
            // Finish before the Advanced page was ever shown: its remembered choices, not the
            // start-up defaults, are what the transfer uses and what Done saves again.
            if (!advancedLoaded_)
                loadAdvancedSettings();
            if (!findLecture())
                return;
        }
        const bool append = appendSlides;
        refreshLecture();
        hide();
        moduleSlideFerry().transferLecture(append, frmProgress());
    });
}

void FrmMain::Cancel_Click() {
    programEnd::guardEvent([this] {
        // What the user typed or chose is not thrown away without asking; on the welcome page,
        // or with nothing entered, Cancel quits at once.
        if (currentPage > 0 && somethingEntered() &&
            !messages::askYesNo(QStringLiteral("Quit Slide-Ferry? What you entered is lost."),
                                QStringLiteral("Slide-Ferry")))
            return;
        stopProgram();
    });
}

bool FrmMain::somethingEntered() const {
    return userEdited_ || fileChosen;
}

// The date lists offer 31 days for every month: a day the month does not have is refused here,
// before it could name a lecture directory such as "Feb.31.2026.1".
bool FrmMain::lectureDateExists() {
    const int month = comboMonth->currentIndex() + 1;
    const int day = comboDay->currentText().toInt();
    const int year = comboYear->currentText().toInt();
    if (QDate(year, month, day).isValid())
        return true;
    const QString monthName = QLocale::c().standaloneMonthName(month);
    messages::showCritical(
        QStringLiteral("The lecture date %1 %2 %3 does not exist: %4 %3 has %5 days. "
                       "Choose another day.")
            .arg(comboMonth->currentText(), comboDay->currentText(), comboYear->currentText(),
                 monthName)
            .arg(QDate(year, month, 1).daysInMonth()),
        QStringLiteral("Error!"));
    comboDay->setFocus(Qt::OtherFocusReason);
    return false;
}
