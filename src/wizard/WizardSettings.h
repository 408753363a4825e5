#pragma once

#include <QString>

class QComboBox;

// The choices the wizard remembers between runs: each page loads its own when it is entered by
// Next, and all are saved together when a transfer is closed with Done.
namespace wizardSettings {

extern const QString kAppName; // "Slide-Ferry"
extern const QString kSection; // "Settings"

QString defaultServerHost();
QString defaultDrive();      // the volume that stands in for drive "c:\"
QString defaultExportPath(); // the platform's temporary directory, where "C:\TEMP" was

QString load(const QString& key, const QString& defaultValue);
void store(const QString& key, const QString& value);

// A choose-only list takes only its own entries: a stored text it does not hold (an edited or
// outdated store) selects the default entry instead of stopping the wizard.
void chooseEntry(QComboBox* list, const QString& text, const QString& defaultText);

} // namespace wizardSettings
