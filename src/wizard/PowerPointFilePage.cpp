#include "wizard/PowerPointFilePage.h"

#include "pipeline/EmptyPresentation.h"
#include "pipeline/PresentationExport.h"
#include "platform/Failure.h"
#include "windows/Messages.h"
#include "wizard/BusyPointer.h"
#include "wizard/DirectoryList.h"
#include "wizard/DriveList.h"
#include "wizard/FileList.h"
#include "wizard/WizardSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

PowerPointFilePage::PowerPointFilePage(QWidget* parent)
    : WizardPage(parent), driveList_(new DriveList(this)), dirList_(new DirectoryList(this)),
      fileList_(new FileList(this)) {
    auto* v = new QVBoxLayout(this);
    v->addWidget(addHeading(QStringLiteral("Choose PowerPoint Presentation:")));
    setObjectName(QStringLiteral("powerPointFilePage"));
    driveList_->setObjectName(QStringLiteral("driveList"));
    dirList_->setObjectName(QStringLiteral("dirList"));
    fileList_->setObjectName(QStringLiteral("fileList"));
    driveList_->setAccessibleName(QStringLiteral("Drive"));
    dirList_->setAccessibleName(QStringLiteral("Folders"));
    fileList_->setAccessibleName(QStringLiteral("Presentations"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Folders:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Presentations (*.ppt):"), this), 0, 1);
    grid->addWidget(dirList_, 1, 0);
    grid->addWidget(fileList_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Drive:"), this), 2, 0);
    grid->addWidget(driveList_, 3, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid, 1);
    // Tab runs as the page reads: folders, presentations, then the drive below the folders.
    setTabOrder(dirList_, fileList_);
    setTabOrder(fileList_, driveList_);

    connect(fileList_, &QListWidget::itemSelectionChanged, this, &PowerPointFilePage::fileClicked);
    connect(fileList_, &QListWidget::itemDoubleClicked, this, [this] {
        if (!fileList_->fileName().isEmpty())
            emit fileActivated();
    });
    connect(dirList_, &DirectoryList::pathChanged, this, &PowerPointFilePage::directoryChanged);
    connect(driveList_, &DriveList::driveChanged, this, &PowerPointFilePage::driveChanged);
}

QString PowerPointFilePage::missing() const {
    return QStringLiteral("To go on, choose a presentation in the list.");
}

QWidget* PowerPointFilePage::fieldToFocus() const {
    return fileList_;
}

QString PowerPointFilePage::chosenPath() const {
    return QDir(dirList_->path()).filePath(fileList_->fileName());
}

void PowerPointFilePage::clearChoice() {
    fileList_->clearSelection();
}

void PowerPointFilePage::setFileChosen(bool chosen) {
    fileChosen_ = chosen;
    emit completeChanged();
}

void PowerPointFilePage::fileClicked() {
    setFileChosen(!fileList_->fileName().isEmpty());
}

void PowerPointFilePage::directoryChanged() {
    fileList_->setPath(dirList_->path());
    setFileChosen(false);
}

void PowerPointFilePage::driveChanged() {
    setFileChosen(false);
    if (!dirList_->setPath(driveList_->drive())) {
        // A drive that cannot be read: go back to the drive of the directory shown.
        const QSignalBlocker block(driveList_);
        driveList_->setDrive(driveList_->driveOf(dirList_->path()));
    }
}

bool PowerPointFilePage::choosePresentation(const QString& path) {
    const QFileInfo file(path);
    QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        folder = file.absolutePath();
    if (!dirList_->setPath(folder))
        return false;
    {
        // The folder is already shown: the drive's root must not replace it.
        const QSignalBlocker block(driveList_);
        driveList_->setDrive(driveList_->driveOf(folder));
    }
    const auto items =
        fileList_->findItems(file.fileName(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (items.isEmpty())
        return false;
    fileList_->setCurrentItem(items.first());
    fileList_->scrollToItem(items.first());
    return fileChosen_;
}

void PowerPointFilePage::loadSettings() {
    const QString drive =
        wizardSettings::load(QStringLiteral("Drive"), wizardSettings::defaultDrive());
    if (!driveList_->setDrive(drive))
        driveList_->setDrive(wizardSettings::defaultDrive());
    // The saved directory is used when it still exists on the chosen drive; otherwise the
    // user's home directory when it lies on that drive, else the drive's root.
    const QString saved = wizardSettings::load(QStringLiteral("Directory"), QString());
    const QString drivePath = driveList_->drive();
    QString start = drivePath;
    if (!saved.isEmpty() && QFileInfo(saved).isDir() && driveList_->driveOf(saved) == drivePath)
        start = saved;
    else if (driveList_->driveOf(QDir::homePath()) == drivePath)
        start = QDir::homePath();
    if (!dirList_->setPath(start))
        dirList_->setPath(drivePath);
    if (fileList_->path() != dirList_->path())
        fileList_->setPath(dirList_->path());
}

void PowerPointFilePage::saveSettings() const {
    wizardSettings::store(QStringLiteral("Drive"), driveList_->drive());
    wizardSettings::store(QStringLiteral("Directory"), dirList_->path());
}

bool PowerPointFilePage::openChosen(PresentationExport& presentation, const QString& host) {
    BusyPointer busy;
    const QString path = chosenPath();
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
        messages::showCritical(refused.message(host), QStringLiteral("Error!"));
        return false;
    }
    // A repaired file, or slides that all show nothing, are uploaded only when the user says so.
    QString doubt;
    if (presentation.repaired)
        doubt = repairedPresentationText(presentation.presentationName);
    else if (noSlideShowsAnything(*presentation.slides(), 1, presentation.slideCount))
        doubt = emptyPresentationText(presentation.presentationName, presentation.slideCount);
    if (!doubt.isEmpty()) {
        busy.clear();
        if (!messages::askYesNo(doubt + QStringLiteral(" Upload anyway?"),
                                QStringLiteral("Slide-Ferry"))) {
            presentation.closeDocument();
            return false;
        }
    }
    return true;
}
