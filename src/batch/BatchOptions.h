#pragma once

#include "lecture/LectureExistsChoice.h"
#include "lecture/LectureRecord.h"
#include "platform/ProgramSettings.h"

#include <QStringList>

// The batch command's command line, read into one lecture record for all its presentations.
struct BatchOptions {
    LectureRecord lecture; // all but the passwords; title and range only when given
    QStringList files;     // the presentations, absolute, in the order given
    // When a lecture's directory exists already: ChangeLectureDate fails, NextSession or
    // AppendSlides go on (--if-exists).
    LectureExistsChoice ifExists = LectureExistsChoice::ChangeLectureDate;
    bool titleGiven = false; // lecture.title holds --title
    int firstSlide = 0;      // --range; 0: every slide of the presentation
    int lastSlide = 0;
    bool json = false;
    QString presentationPassword; // from SLIDE_FERRY_PRESENTATION_PASSWORD, never an argument
    bool allowEmpty = false;      // send presentations whose slides all show nothing
    bool help = false;
    bool version = false;
};

// A command line that cannot be carried out; the message names the option.
struct UsageError {
    QString message;
};

// The wizard's remembered choices that stand in for options not given: the server and the user
// IDs as stored (empty when none), the image format, the image size and the working directory
// as the wizard shows them.
struct RememberedChoices {
    QString server;
    QString corvaneId;
    QString lumoraId;
    QString imageFormat;
    programSettings::ImageSize imageSize;
    QString workDir;
    bool requireEncryption = false;
};

// The choices remembered in the program's settings.
RememberedChoices rememberedChoices();

// Reads the arguments (without the program's name). Values not given come from `remembered`
// unless --no-settings is given. Throws UsageError.
BatchOptions parseBatchOptions(const QStringList& arguments, const RememberedChoices& remembered);

// The text of --help; the manual page is made from it.
QString batchHelpText();
