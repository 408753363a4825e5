#pragma once

#include <QString>

// What a lecture already on the server holds, as far as the choice between appending to it and
// another session needs it: the title, author and date from its description (each "" when the
// description is missing, too large or cannot be read as one) and its number of slides.
struct ExistingLecture {
    QString title;
    QString author;
    QString date;
    int slides = 0;
};
