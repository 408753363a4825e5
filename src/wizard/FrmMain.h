#pragma once

#include "lecture/ImageSizes.h"
#include "lecture/LectureRecord.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class DirectoryList;
class DriveList;
class FileList;
class TransferControl;
class ModuleFtp;
class ModuleSlideFerry;
class FrmProgress;
class FrmFTPError;
class Failure;

// The wizard window: six pages behind Next and Back, the step panel on the left, and the
// lecture's values in its fields. It owns the transfer control and the two modules, so the
// whole run of the program hangs off its single instance.
class FrmMain : public QDialog {
    Q_OBJECT
public:
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // Pages
    int currentPage = 0;
    bool serverChanged = true;
    bool accountComplete = false;
    bool fileChosen = false;
    bool titleGiven = false;
    bool sizeValid = true;
    bool appendSlides = false;
    ImageSizes imageSizes;
    // The presentation named on the command line: chosen whenever the file page is entered.
    QString commandLineFile;

    // Controls, named as the user guide and the tests know them.
    std::array<QFrame*, 6> frame{};
    std::array<QFrame*, 6> box{};
    std::array<QLabel*, 6> boxText{};
    QLineEdit* FTPMachine = nullptr;
    QLineEdit* ID = nullptr;
    QLineEdit* Password = nullptr;
    QLineEdit* CVID = nullptr;
    QLineEdit* CVPassword = nullptr;
    QLabel* connecting = nullptr;
    DriveList* driveList = nullptr;
    DirectoryList* dirList = nullptr;
    FileList* fileList = nullptr;
    QComboBox* Term = nullptr;
    QComboBox* cbYear = nullptr;
    QComboBox* Classes = nullptr;
    QLineEdit* Title = nullptr;
    QLabel* codePageNote = nullptr; // characters that will reach the server as "?"
    QComboBox* comboMonth = nullptr;
    QComboBox* comboDay = nullptr;
    QComboBox* comboYear = nullptr;
    QLineEdit* Session = nullptr;
    QComboBox* Resolution = nullptr;
    QLineEdit* imageWidth = nullptr;
    QLineEdit* imageHeight = nullptr;
    QLabel* imageWidthText = nullptr;
    QLabel* imageHeightText = nullptr;
    QComboBox* imageFormat = nullptr;
    QLineEdit* ExportPath = nullptr;
    QGroupBox* rangeFrame = nullptr;
    QComboBox* firstSlide = nullptr;
    QComboBox* lastSlide = nullptr;
    QPushButton* Help = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* buttonBack = nullptr;
    QPushButton* buttonNext = nullptr;
    QPushButton* Finish = nullptr;

    TransferControl& inet1() { return *Inet1_; }
    ModuleFtp& moduleFTP() { return *moduleFTP_; }
    ModuleSlideFerry& moduleSlideFerry() { return *moduleSlideFerry_; }
    // The auxiliary windows, created on first use and kept for the whole run.
    FrmProgress& frmProgress();
    FrmFTPError& frmFTPError();

    // Button actions (also reached by Enter, Escape and a double click in the file list).
    void buttonNext_Click();
    void buttonBack_Click();
    void Finish_Click();
    void Cancel_Click();

    // Field rules
    void highlightStep();
    void unhighlightStep();
    void checkAccount();
    void showCustomSize();
    void keepLastAfterFirst();
    void keepFirstBeforeLast();
    void customSizeRule();
    // Chooses a presentation on the file page as the user would: its drive, its folder, then
    // the file in the list. False, with no file chosen, when the list does not hold it.
    bool choosePresentation(const QString& path);
    // A file dropped on the window: chosen on the file page (the wizard goes back to it from a
    // later page; from an earlier one it is chosen once the page opens). `dropped` counts the
    // files of the drop: of several, the first is taken and the user is told.
    void takeDroppedFile(const QString& path, int dropped);
    int getWidth() const;
    int getHeight() const;

    // Saves the remembered choices (the Done button of the progress window).
    void saveSettings();

    // The lecture's values as the server session and the pipeline read them: filled from the
    // pages by refreshLecture() before every step that reaches them.
    const LectureRecord& lecture() const { return lecture_; }
    void refreshLecture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void reject() override; // Escape presses Cancel

private:
    // Says on the Lecture Info page which characters of the title and the slides will reach the
    // server as "?"; hidden when none will.
    void showCodePageWarning();
    QStringList lostInSlides_;

    // Drops of files anywhere on the window, also on a field that would take text.
    void acceptDroppedFiles();
    bool takesDrop(QEvent* event);

    struct ButtonSnapshot {
        bool back, next, finish;
    };

    void buildWindow();
    QWidget* buildStepPanel();
    QFrame* buildTitlePage(const QString& pictureName, const QString& textName,
                           const QString& text);
    QFrame* buildStartPage();
    QFrame* buildLumoraPage();
    QFrame* buildFilePage();
    QFrame* buildLecturePage();
    QFrame* buildAdvancedPage();
    QFrame* buildFinishPage();
    void fillLists();
    void wireModules();
    void connectRules();

    // Next action, one step per page; false means stay on the page.
    bool stepStart();
    bool stepLumoraInfo();
    bool stepPowerPointFile();
    bool stepLectureInfo();
    void loadAdvancedSettings();
    bool findLecture();
    void advance();
    void focusFirstEmptyField();
    bool lectureDateExists();
    bool somethingEntered() const;
    void goBack();
    ButtonSnapshot saveAndDisableButtons();
    void restoreButtons(const ButtonSnapshot& s);
    void generalFailure(const Failure& failure);
    void stopProgram();
    void runTrapped(const std::function<void()>& action);

    void listClasses();
    void refillClasses();
    // True when a listing is under way: the click then runs once it is over.
    bool deferredWhileListing(void (FrmMain::*click)());
    void fileClicked();
    void directoryChanged();
    void driveChanged();

    LectureRecord lecture_;
    std::unique_ptr<TransferControl> Inet1_;
    std::unique_ptr<ModuleFtp> moduleFTP_;
    std::unique_ptr<ModuleSlideFerry> moduleSlideFerry_;
    std::unique_ptr<FrmProgress> frmProgress_;
    std::unique_ptr<FrmFTPError> frmFTPError_;
    bool listingClasses_ = false;
    QString listedTerm_, listedYear_; // the filters the class list was last read with
    std::function<void()> pendingClick_;
    bool advancedLoaded_ = false;
    bool userEdited_ = false; // the user typed into a field or chose from a list
};

// The single wizard window of the running program (null before it exists).
extern FrmMain* frmMain;
