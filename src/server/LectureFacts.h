#pragma once

#include "lecture/ExistingLecture.h"
#include "lecture/LectureExistsChoice.h"
#include "server/LectureListing.h"

#include <QByteArray>
#include <QString>

class ModuleFtp;

// The lecture-exists question and the facts it shows, below both front ends.

// The largest description read from the server: the program writes three short lines.
constexpr qint64 maxDescriptionBytes = 4096;

// Title, author and date from a description's bytes: three lines (title, user ID, date; the
// last may end in CR LF) in the program's code page. Nothing the server holds is trusted: a
// text larger than maxDescriptionBytes, or without its three lines, gives nothing; a line that
// is empty, holds control characters or runs past 200 characters gives "" for its part.
ExistingLecture factsFromDescription(const QByteArray& bytes);

// The facts of a lecture from its contents (the slides, in any image format) and its
// description, fetched from "~/lumora/<lecturePath>/description" (at most maxDescriptionBytes;
// missing or unreadable gives "" parts). A Cancel throws StoppedByUser.
ExistingLecture readExistingLecture(ModuleFtp& m, const QString& lecturePath,
                                    const LectureContents& contents);

// Asks m.askLectureExists about the lecture "~/lumora/<lecturePath>", with its facts, read with
// the one listing of its contents (for the record's image format) that an append then counts
// its slides from. Choosing to append keeps the lecture's own title: the record's title becomes
// it (when known), so that the description sent keeps it unless the user changes it again.
// A listing that fails throws Failure.
struct ExistingAnswer {
    LectureExistsChoice choice = LectureExistsChoice::ChangeLectureDate;
    LectureContents contents;
};
ExistingAnswer askAboutExistingLecture(ModuleFtp& m, const QString& lecturePath);
