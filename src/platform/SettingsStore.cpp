#include "platform/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace settingsStore {
namespace {
QString& overrideDir() {
    static QString dir;
    return dir;
}

QString storePath(const QString& appName) {
    QString base = overrideDir();
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(appName + QStringLiteral(".ini"));
}

// Keys are kept as "section/key"; QSettings escapes anything that is not a plain name.
QString fullKey(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}
} // namespace

std::optional<QString> stored(const QString& appName, const QString& section, const QString& key) {
    QSettings s(storePath(appName), QSettings::IniFormat);
    const QVariant v = s.value(fullKey(section, key));
    return v.isValid() ? std::optional<QString>(v.toString()) : std::nullopt;
}

QString read(const QString& appName, const QString& section, const QString& key,
             const QString& defaultValue) {
    return stored(appName, section, key).value_or(defaultValue);
}

void write(const QString& appName, const QString& section, const QString& key,
           const QString& value) {
    QSettings s(storePath(appName), QSettings::IniFormat);
    s.setValue(fullKey(section, key), value);
    s.sync();
}

void useDirectory(const QString& dir) {
    overrideDir() = dir;
}

} // namespace settingsStore
