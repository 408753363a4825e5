#pragma once

#include <QString>

// How one lecture's transfer ended, for a front end's report.
enum class Outcome { Done, Failed, Stopped };

// The word a machine reader of the batch command's report sees.
inline QString outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Done:
        return QStringLiteral("done");
    case Outcome::Stopped:
        return QStringLiteral("stopped");
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}
