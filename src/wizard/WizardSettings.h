#pragma once

#include "platform/ProgramSettings.h"

#include <QString>

class QComboBox;

// The choices the wizard remembers between runs (declared in ProgramSettings.h): each page loads
// its own when it is entered by Next, and all are saved together when a transfer is closed with
// Done.
namespace wizardSettings {

// A choose-only list takes only its own entries: a stored text it does not hold (an edited or
// outdated store) selects the default entry instead of stopping the wizard.
void chooseEntry(QComboBox* list, const QString& text, const QString& defaultText);
// The same for the text remembered by `setting`, with its default.
void chooseEntry(QComboBox* list, const programSettings::Text& setting);

} // namespace wizardSettings
