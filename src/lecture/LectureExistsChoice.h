#pragma once

// What to do when the lecture's directory exists already: the lecture-exists dialog's options in
// the order it shows them, and the batch command's --if-exists. A dialog closed without a choice
// counts as ChangeLectureDate, so that an existing lecture is never taken for a new one.
enum class LectureExistsChoice {
    ChangeLectureDate, // stay, and let the user pick another date (the batch command: fail)
    NextSession,       // the first session of the date that the class lacks
    AppendSlides,      // add the slides after the lecture's own
    AbortProgram,      // stop here
};
