#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// What one transfer has done to its lecture on the server: the lock it holds, the directory it
// created, the files it added and those it replaced (a copy of each kept first). A transfer that
// fails or is stopped undoes exactly this, and says what it could not undo.
struct LectureChanges {
    bool open = false;             // the lecture is claimed and locked for this transfer
    QString lecturePath;           // "classes/<class>/<lecture>/" below "~/lumora/"
    QString lockPath;              // the lock directory held, "" when none
    QString lockStamp;             // its stamp directory
    bool createdDirectory = false; // the lecture directory is this transfer's own
    QStringList added;             // names stored in the lecture that it did not hold before
    QString sending;               // the name on its way to the server now
    QStringList held;              // the names an existing lecture held when it was opened
    QStringList replaced;          // names it held that were sent anew
    std::shared_ptr<QTemporaryDir> originals; // the server's copies of the replaced files
    int slidesToSend = 0;
    bool descriptionSent = false;
};
