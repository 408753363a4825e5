#include "wizard/FrmMain.h"

#include "pipeline/ModuleSlideFerry.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "server/ModuleFtp.h"
#include "windows/FrmCertificate.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmProgress.h"
#include "wizard/FrmMainFields.h"
#include "wizard/WizardSettings.h"

#include <QComboBox>
#include <QDate>
#include <QPushButton>

FrmMain* frmMain = nullptr;

namespace {
const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kFirstYear = 1996;
} // namespace

FrmMain::FrmMain(QWidget* parent)
    : QDialog(parent), Inet1_(std::make_unique<TransferControl>()),
      moduleFTP_(std::make_unique<ModuleFtp>(*Inet1_, lecture_)),
      moduleSlideFerry_(std::make_unique<ModuleSlideFerry>(lecture_, *moduleFTP_, *Inet1_)) {
    frmMain = this;
    setWindowTitle(QStringLiteral("Slide-Ferry Wizard"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildWindow();

    // Window load: no presentation application held, page 0 marked, the flags at their start.
    moduleSlideFerry_->forgetPresentationApp();
    // The office starts while the user fills in the first pages, so that Next on the file page
    // finds it ready. SF_OFFICE_WARM_START=0 leaves it to that Next (the tests of the pages).
    if (qEnvironmentVariable("SF_OFFICE_WARM_START") != QLatin1String("0"))
        moduleSlideFerry_->presentation.startOfficeInBackground();
    currentPage = 0;
    highlightStep();
    serverChanged = true;
    sizeValid = true;
    accountComplete = false;
    fileChosen = false;
    titleGiven = false;
    appendSlides = false;
    fillLists();
    connectRules();
    acceptDroppedFiles();
    wireModules();
    focusFirstEmptyField();
}

// The modules reach the windows and each other through these hooks.
void FrmMain::wireModules() {
    moduleFTP_->askLectureExists = [this] { return frmFTPError().choose(); };
    // A server certificate that cannot be verified is put to the user (first met by ftpConnect).
    Inet1_->askTrust = [this](const CertificateInfo& c) { return FrmCertificate::ask(c, this); };
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
        frmFTPError_ = std::make_unique<FrmFTPError>(lecture_, this);
    return *frmFTPError_;
}

void FrmMain::refreshLecture() {
    lecture_ = wizardLecture::fromPages(*this);
}

void FrmMain::saveSettings() {
    wizardSettings::save(*this);
}

FrmMain::~FrmMain() {
    frmFTPError_.reset();
    if (frmMain == this)
        frmMain = nullptr;
}

void FrmMain::fillLists() {
    const QDate today = QDate::currentDate();
    for (const char* m : kMonths)
        comboMonth->addItem(QString::fromLatin1(m));
    comboMonth->setCurrentIndex(today.month() - 1);
    for (int d = 1; d <= 31; ++d)
        comboDay->addItem(QString::number(d));
    comboDay->setCurrentIndex(today.day() - 1);
    // The year lists run from 1996 through next year, so today's date can always be chosen.
    const int lastYear = today.year() + 1;
    for (int y = kFirstYear; y <= lastYear; ++y)
        comboYear->addItem(QString::number(y));
    comboYear->setCurrentIndex(today.year() - kFirstYear);
    for (const char* r : ImageSizes::names)
        Resolution->addItem(QString::fromLatin1(r));
    Resolution->setCurrentIndex(3);
    imageFormat->addItems({QStringLiteral("GIF"), QStringLiteral("JPG")});
    imageFormat->setCurrentIndex(0);
    Term->addItems({QStringLiteral("All terms"), QStringLiteral("Winter"), QStringLiteral("Spring"),
                    QStringLiteral("Summer"), QStringLiteral("Fall")});
    Term->setCurrentIndex(-1);
    cbYear->addItem(QStringLiteral("All years"));
    for (int y = kFirstYear; y <= lastYear; ++y)
        cbYear->addItem(QString::number(y));
    cbYear->setCurrentIndex(today.year() - kFirstYear + 1);
}

void FrmMain::reject() {
    Cancel->click();
}
