#include "wizard/WizardSettings.h"

#include <QComboBox>

namespace wizardSettings {

void chooseEntry(QComboBox* list, const QString& text, const QString& defaultText) {
    int i = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i < 0)
        i = list->findText(defaultText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    list->setCurrentIndex(i);
}

void chooseEntry(QComboBox* list, const programSettings::Text& setting) {
    chooseEntry(list, setting.read(), setting.defaultValue());
}

} // namespace wizardSettings
