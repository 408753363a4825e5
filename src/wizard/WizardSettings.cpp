#include "wizard/WizardSettings.h"

#include "platform/SettingsStore.h"
#include "wizard/DirectoryList.h"
#include "wizard/DriveList.h"
#include "wizard/FileList.h"
#include "wizard/FrmMain.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace wizardSettings {

const QString kAppName = settingsStore::kProgramName;
const QString kSection = settingsStore::kChoicesSection;

namespace {
QString load(const QString& key, const QString& defaultValue) {
    return settingsStore::read(kAppName, kSection, key, defaultValue);
}

void store(const QString& key, const QString& value) {
    settingsStore::write(kAppName, kSection, key, value);
}

// A choose-only list takes only its own entries: a stored text it does not hold (an edited or
// outdated store) selects the default entry instead of stopping the wizard.
void chooseEntry(QComboBox* list, const QString& text, const QString& defaultText) {
    int i = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i < 0)
        i = list->findText(defaultText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    list->setCurrentIndex(i);
}
} // namespace

QString defaultServerHost() {
    return QStringLiteral("localhost");
}
QString defaultDrive() {
    return QStringLiteral("/");
}
QString defaultExportPath() {
    return QDir::tempPath();
}

void loadLumoraPage(FrmMain& w) {
    w.FTPMachine->setText(load(QStringLiteral("System"), defaultServerHost()));
    w.ID->setText(load(QStringLiteral("UserID"), QString()));
    // The Corvane user ID is remembered too (never a password); a typed one is kept.
    if (w.CVID->text().isEmpty())
        w.CVID->setText(load(QStringLiteral("CorvaneID"), QString()));
}

void loadFilePage(FrmMain& w) {
    const QString drive = load(QStringLiteral("Drive"), defaultDrive());
    if (!w.driveList->setDrive(drive))
        w.driveList->setDrive(defaultDrive());
    // The saved directory is used when it still exists on the chosen drive; otherwise the
    // user's home directory when it lies on that drive, else the drive's root.
    const QString saved = load(QStringLiteral("Directory"), QString());
    const QString drivePath = w.driveList->drive();
    QString start = drivePath;
    if (!saved.isEmpty() && QFileInfo(saved).isDir() && w.driveList->driveOf(saved) == drivePath)
        start = saved;
    else if (w.driveList->driveOf(QDir::homePath()) == drivePath)
        start = QDir::homePath();
    if (!w.dirList->setPath(start))
        w.dirList->setPath(drivePath);
    if (w.fileList->path() != w.dirList->path())
        w.fileList->setPath(w.dirList->path());
}

void loadFilters(FrmMain& w) {
    chooseEntry(w.Term, load(QStringLiteral("Term"), QStringLiteral("All terms")),
                QStringLiteral("All terms"));
    chooseEntry(w.cbYear, load(QStringLiteral("Year"), QStringLiteral("All years")),
                QStringLiteral("All years"));
}

void loadClass(FrmMain& w) {
    const QString remembered = load(QStringLiteral("Class"), QString());
    const int listed = w.Classes->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (listed >= 0)
        w.Classes->setCurrentIndex(listed);
    else
        w.Classes->setEditText(remembered);
}

void loadAdvancedPage(FrmMain& w) {
    w.ExportPath->setText(load(QStringLiteral("ExportPath"), defaultExportPath()));
    w.imageFormat->setEditText(load(QStringLiteral("ImageType"), QStringLiteral("GIF")));
    chooseEntry(w.Resolution, load(QStringLiteral("Resolution"), QStringLiteral("XGA")),
                QStringLiteral("XGA"));
    // The two custom keys are crossed with the boxes of similar names, in both directions.
    w.imageHeight->setText(load(QStringLiteral("CustomWidth"), QString()));
    w.imageWidth->setText(load(QStringLiteral("CustomHeight"), QString()));
    // Filling the boxes counts as typing into them, also when the text stays the same.
    w.customSizeRule();
}

void save(FrmMain& w) {
    store(QStringLiteral("ImageType"), w.imageFormat->currentText());
    store(QStringLiteral("Resolution"), w.Resolution->currentText());
    store(QStringLiteral("System"), w.FTPMachine->text());
    store(QStringLiteral("UserID"), w.ID->text());
    store(QStringLiteral("CorvaneID"), w.CVID->text());
    store(QStringLiteral("Class"), w.Classes->currentText());
    store(QStringLiteral("CustomWidth"), w.imageHeight->text());
    store(QStringLiteral("CustomHeight"), w.imageWidth->text());
    store(QStringLiteral("ExportPath"), w.ExportPath->text());
    store(QStringLiteral("Drive"), w.driveList->drive());
    store(QStringLiteral("Directory"), w.dirList->path());
    store(QStringLiteral("Term"), w.Term->currentText());
    store(QStringLiteral("Year"), w.cbYear->currentText());
}

} // namespace wizardSettings
