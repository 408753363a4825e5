#pragma once

#include <QString>

class ModuleFtp;

// The start and the end of one transfer into the lecture m.lectureDir (settled by
// ftpFindLecture). Opening takes the lecture's lock and then:
// - for a new lecture, claims it by creating its directory. When another transfer has created
//   it since it was looked up, the lecture-exists choice (m.askLectureExists) decides again:
//   the next free session, appending (appendSlides becomes true), or stopping;
// - for an append, reads the lecture's slides from one listing of it, for the image format
//   really sent (m.lecture.imageFormat), and sets m.slideOffset to the highest slide number it
//   holds, so that no new slide takes a name the lecture holds. A lecture left unfinished by an
//   earlier transfer (no description, or partial files) is reported in the progress lines and
//   its partial files are removed.
// What the transfer then does is recorded in m.changes. Throws Failure (or StoppedByUser) when
// the lecture cannot be opened; whatever it holds then is undone by ftpAbandonLecture.
void ftpOpenLecture(ModuleFtp& m, bool& appendSlides);

// After the last file arrived: gives the lock back.
void ftpCloseLecture(ModuleFtp& m);

// After a transfer that failed or was stopped: removes what it added (a new lecture's files and
// directory, the slides added to an existing one) and gives the lock back. `complete` tells
// whether the server is as it was before the transfer; the text says so, or says exactly what
// was left and how to finish or remove it. Never throws.
struct Abandoned {
    bool complete = true;
    QString text;
};
Abandoned ftpAbandonLecture(ModuleFtp& m);
