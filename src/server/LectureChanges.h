#pragma once

#include <QString>
#include <QStringList>

// What one transfer has done to its lecture on the server: the lock it holds, the directory it
// created and the files it added. A transfer that fails or is stopped undoes exactly this, and
// says what it could not undo.
struct LectureChanges {
    bool open = false;             // the lecture is claimed and locked for this transfer
    QString lecturePath;           // "classes/<class>/<lecture>/" below "~/lumora/"
    QString lockPath;              // the lock directory held, "" when none
    QString lockStamp;             // its stamp directory
    bool createdDirectory = false; // the lecture directory is this transfer's own
    QStringList added;             // names stored in the lecture that it did not hold before
    QString sending;               // the name on its way to the server now
    int slidesToSend = 0;
    int slidesSent = 0;
    bool descriptionSent = false;
    bool slideTextSent = false;
    bool finished = false; // every file arrived
};
