#include "wizard/FrmMain.h"

#include "platform/ProgramEnd.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmHelp.h"
#include "windows/FrmProgress.h"
#include "wizard/AdvancedPage.h"
#include "wizard/LectureInfoPage.h"
#include "wizard/LumoraInfoPage.h"
#include "wizard/PowerPointFilePage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

FrmMain::FrmMain(QWidget* parent)
    : QDialog(parent), questions_(this, [this]() -> FrmFTPError& { return frmFTPError(); }),
      session_(questions_) {
    setWindowTitle(QStringLiteral("Slide-Ferry Wizard"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildWindow();

    // The office starts while the user fills in the first pages, so that Next on the file page
    // finds it ready. SF_OFFICE_WARM_START=0 leaves it to that Next (the tests of the pages).
    if (qEnvironmentVariable("SF_OFFICE_WARM_START") != QLatin1String("0"))
        session_.startOfficeInBackground(false);
    highlightStep(true);
    connectPages();
    acceptDroppedFiles();
    updateButtons();
    buttonNext_->setFocus(Qt::TabFocusReason);
}

FrmMain::~FrmMain() {
    frmFTPError_.reset();
}

void FrmMain::connectPages() {
    // Anything typed or chosen makes Cancel ask before it throws the input away.
    for (QLineEdit* e : findChildren<QLineEdit*>())
        connect(e, &QLineEdit::textEdited, this, [this] { userEdited_ = true; });
    for (QComboBox* c : findChildren<QComboBox*>())
        connect(c, &QComboBox::activated, this, [this] { userEdited_ = true; });
    for (WizardPage* p : pages_)
        connect(p, &WizardPage::completeChanged, this, &FrmMain::updateButtons);
    connect(powerPointFile_, &PowerPointFilePage::fileActivated, this, &FrmMain::buttonNext_Click);
    connect(lectureInfo_, &LectureInfoPage::filtersChosen, this, &FrmMain::listClasses);

    connect(buttonNext_, &QPushButton::clicked, this, &FrmMain::buttonNext_Click);
    connect(buttonBack_, &QPushButton::clicked, this, &FrmMain::buttonBack_Click);
    connect(Finish_, &QPushButton::clicked, this, &FrmMain::Finish_Click);
    connect(Cancel_, &QPushButton::clicked, this, &FrmMain::Cancel_Click);
    connect(Help_, &QPushButton::clicked, this, [this] { FrmHelp::showHelp(this); });
    // F1 opens the help from every page, wherever the cursor is.
    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, Help_, &QPushButton::click);
}

FrmProgress& FrmMain::frmProgress() {
    if (!frmProgress_) {
        frmProgress_ = std::make_unique<FrmProgress>();
        frmProgress_->onDone = [this] {
            saveSettings();
            programEnd::endProgram();
        };
    }
    return *frmProgress_;
}

FrmFTPError& FrmMain::frmFTPError() {
    if (!frmFTPError_)
        frmFTPError_ = std::make_unique<FrmFTPError>(session_.lecture(), this);
    return *frmFTPError_;
}

void FrmMain::refreshLecture() {
    LectureRecord r;
    for (const WizardPage* p : pages_)
        p->fillLecture(r);
    session_.lecture() = r;
}

void FrmMain::saveSettings() {
    for (const WizardPage* p : pages_)
        p->saveSettings();
}

void FrmMain::reject() {
    Cancel_->click();
}
