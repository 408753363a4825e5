#include "platform/ProgramSettings.h"

#include "platform/SettingsStore.h"

#include <QDir>
#include <QLocale>
#include <cmath>

namespace programSettings {
namespace {
std::optional<QString> storedText(const QString& key) {
    return settingsStore::stored(settingsStore::kProgramName, settingsStore::kChoicesSection, key);
}

void writeText(const QString& key, const QString& value) {
    settingsStore::write(settingsStore::kProgramName, settingsStore::kChoicesSection, key, value);
}
} // namespace

QString temporaryDirectory() {
    return QDir::tempPath();
}

QString Text::read() const {
    return stored().value_or(defaultValue());
}

std::optional<QString> Text::stored() const {
    return storedText(QLatin1String(key_));
}

QString Text::defaultValue() const {
    return defaultOf_ != nullptr ? defaultOf_() : QString::fromUtf8(defaultText_);
}

void Text::write(const QString& value) const {
    writeText(QLatin1String(key_), value);
}

std::optional<double> Number::read() const {
    const std::optional<QString> text = storedText(QLatin1String(key_));
    if (!text)
        return defaultValue_;
    bool ok = false;
    const double value = QLocale::c().toDouble(text->trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 1e7)
        return std::nullopt;
    return value;
}

bool Number::isStored() const {
    return storedText(QLatin1String(key_)).has_value();
}

void Number::write(double value) const {
    writeText(QLatin1String(key_), QString::number(value, 'f', QLocale::FloatingPointShortest));
}

bool Flag::read() const {
    const std::optional<QString> text = storedText(QLatin1String(key_));
    if (!text)
        return defaultValue_;
    const QString value = text->trimmed().toLower();
    return value == QLatin1String("1") || value == QLatin1String("true") ||
           value == QLatin1String("yes");
}

void Flag::write(bool value) const {
    writeText(QLatin1String(key_), value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TextPerName::keyOf(const QString& name) const {
    return QLatin1String(keyPrefix_) + name.toLower();
}

QString TextPerName::read(const QString& name) const {
    return storedText(keyOf(name)).value_or(QString());
}

void TextPerName::write(const QString& name, const QString& value) const {
    writeText(keyOf(name), value);
}

void ImageSizeSetting::write(const ImageSize& size) const {
    name.write(size.name);
    width.write(size.width);
    height.write(size.height);
}

} // namespace programSettings
