#include "wizard/WizardSettings.h"

#include "platform/SettingsStore.h"

#include <QComboBox>
#include <QDir>

namespace wizardSettings {

const QString kAppName = settingsStore::kProgramName;
const QString kSection = settingsStore::kChoicesSection;

QString load(const QString& key, const QString& defaultValue) {
    return settingsStore::read(kAppName, kSection, key, defaultValue);
}

void store(const QString& key, const QString& value) {
    settingsStore::write(kAppName, kSection, key, value);
}

void chooseEntry(QComboBox* list, const QString& text, const QString& defaultText) {
    int i = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i < 0)
        i = list->findText(defaultText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    list->setCurrentIndex(i);
}

QString defaultServerHost() {
    return QStringLiteral("localhost");
}
QString defaultDrive() {
    return QStringLiteral("/");
}
QString defaultExportPath() {
    return QDir::tempPath();
}

} // namespace wizardSettings
