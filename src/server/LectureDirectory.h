#pragma once

#include "lecture/LectureExistsChoice.h"

#include <QString>

class ModuleFtp;
struct LectureRecord;

// The directory of the record's lecture below "~/lumora", without a closing "/":
// "classes/<class>/<month>.<day>.<year>.<session>".
QString lectureDirOf(const LectureRecord& r);

// Settles the lecture's directory "classes/<class>/<month>.<day>.<year>.<session>/" below
// "~/lumora/" from the lecture record and leaves it in m.lectureDir; m.slideOffset holds the
// number of slides already in the lecture when appending (0 otherwise).
//
// The lecture exists only when the class listing shows it, and does not exist only when the
// listing does not: a listing that fails, or a listed lecture that cannot be entered, throws
// Failure before anything is written. When it exists the lecture-exists dialog decides:
// - change the date (also when the dialog was closed with nothing chosen, so that an existing
//   lecture is never taken for a new one): returns false, the wizard stays on its page;
// - next session: the session field moves on to the first number the class listing lacks;
// - append: the existing slides "Slide<n>.<ext>" (ext = the image format in lower case) are
//   counted from the one listing of the lecture the question was asked with (which also tells
//   the dialog what the lecture holds, LectureFacts.h), appendSlides becomes true and the
//   record's title becomes the lecture's own;
// - abort: throws StoppedByUser (the front end cleans up and ends).
// Every return leaves the server's current directory at "~/lumora". Nothing is created here;
// the transfer claims the lecture when it starts (LectureOpening.h).
//
// A class or session that cannot name one directory (empty, holding "/" or a backslash, "." or
// "..") throws InputRefused, for the user to correct.
// Throws Failure when the session number or the slide numbers would pass 32767.
bool ftpFindLecture(ModuleFtp& m, bool& appendSlides);

// Creates the lecture directory m.lectureDir: true when created, false when the server refused
// (because it exists, or for another reason, which the caller tells apart by listing).
bool ftpMakeLectureDir(ModuleFtp& m);

// Moves the session field on to the first number of the lecture's date that the class listing
// lacks, and points m.lectureDir at that lecture.
void ftpTakeNextFreeSession(ModuleFtp& m);
