#pragma once

#include <QString>
#include <optional>

// Per-user settings addressed by application name, section and key. Values are texts and come
// back exactly as written. Backed by QSettings in the user's configuration directory; tests point
// it at a private directory with useDirectory().
namespace settingsStore {

// Where the program's remembered choices live (application "Slide-Ferry", section "Settings");
// ProgramSettings.h declares them.
inline const QString kProgramName = QStringLiteral("Slide-Ferry");
inline const QString kChoicesSection = QStringLiteral("Settings");

QString read(const QString& appName, const QString& section, const QString& key,
             const QString& defaultValue);
// The text stored under the key; nothing when none is.
std::optional<QString> stored(const QString& appName, const QString& section, const QString& key);
void write(const QString& appName, const QString& section, const QString& key,
           const QString& value);

// Keeps every store under dir instead of the user's configuration directory.
void useDirectory(const QString& dir);

} // namespace settingsStore
