#include "wizard/PowerPointFilePage.h"

#include "lecture/PresentationFiles.h"
#include "platform/ProgramSettings.h"
#include "wizard/DirectoryList.h"
#include "wizard/DriveList.h"
#include "wizard/FileList.h"

#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PowerPointFilePage::PowerPointFilePage(QWidget* parent)
    : WizardPage(parent), driveList_(new DriveList(this)), dirList_(new DirectoryList(this)),
      fileList_(new FileList(this)), filePath_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("B&rowse..."), this)) {
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
    grid->addWidget(fieldLabel(QStringLiteral("F&olders:"), dirList_), 0, 0);
    // The kinds listed make a long label: it wraps, rather than widen the wizard.
    QLabel* listLabel = fieldLabel(
        QStringLiteral("&Presentations (%1):").arg(presentationFiles::listed()), fileList_);
    listLabel->setWordWrap(true);
    grid->addWidget(listLabel, 0, 1);
    grid->addWidget(dirList_, 1, 0);
    grid->addWidget(fileList_, 1, 1);
    grid->addWidget(fieldLabel(QStringLiteral("&Drive:"), driveList_), 2, 0);
    grid->addWidget(driveList_, 3, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid, 1);
    v->addLayout(buildPathRow());
    // Tab runs as the page reads: folders, presentations, the drive below the folders, then the
    // path and Browse.
    setTabOrder(dirList_, fileList_);
    setTabOrder(fileList_, driveList_);
    setTabOrder(driveList_, filePath_);
    setTabOrder(filePath_, browse_);

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

QLayout* PowerPointFilePage::buildPathRow() {
    filePath_->setObjectName(QStringLiteral("filePath"));
    browse_->setObjectName(QStringLiteral("Browse"));
    browse_->setAutoDefault(false);
    // Completion from the file system: folders, and the presentations in them.
    auto* files = new QFileSystemModel(this);
    files->setRootPath(QString());
    files->setNameFilters(presentationFiles::patterns().split(QLatin1Char(' ')));
    files->setNameFilterDisables(false);
    auto* completer = new QCompleter(files, this);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    filePath_->setCompleter(completer);
    connect(filePath_, &QLineEdit::editingFinished, this, &PowerPointFilePage::pathTyped);
    connect(browse_, &QPushButton::clicked, this, &PowerPointFilePage::browse);
    auto* row = new QHBoxLayout;
    row->addWidget(fieldLabel(QStringLiteral("Pa&th:"), filePath_));
    row->addWidget(filePath_, 1);
    row->addWidget(browse_);
    return row;
}

void PowerPointFilePage::pathTyped() {
    const QString typed = filePath_->text().trimmed();
    if (typed.isEmpty() || typed == chosenPath())
        return;
    const QFileInfo info(typed);
    if (info.isDir()) {
        if (dirList_->setPath(info.absoluteFilePath())) {
            const QSignalBlocker block(driveList_);
            driveList_->setDrive(driveList_->driveOf(dirList_->path()));
        }
        return;
    }
    // A path the list does not hold chooses nothing: Next never goes on with an earlier choice
    // while the field names another file.
    if (!choosePresentation(info.absoluteFilePath()))
        clearChoice();
}

void PowerPointFilePage::browse() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Choose a presentation"), dirList_->path(),
        QStringLiteral("Presentations (%1)").arg(presentationFiles::patterns()));
    if (!path.isEmpty())
        choosePresentation(path);
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
    // The path field shows the choice; a field being typed into is left alone.
    if (fileChosen_ && !filePath_->hasFocus())
        filePath_->setText(QDir::toNativeSeparators(chosenPath()));
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
    if (!driveList_->setDrive(programSettings::drive.read()))
        driveList_->setDrive(programSettings::drive.defaultValue());
    // The saved directory is used when it still exists on the chosen drive; otherwise the
    // user's home directory when it lies on that drive, else the drive's root.
    const QString saved = programSettings::directory.read();
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
    programSettings::drive.write(driveList_->drive());
    programSettings::directory.write(dirList_->path());
}
