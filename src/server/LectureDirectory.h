#pragma once

#include <QString>

class ModuleFtp;

// Index of the lecture-exists dialog's options as askLectureExists() returns them.
enum LectureExistsChoice : int {
    ChangeLectureDate = 0,
    NextSession = 1,
    AppendSlides = 2,
    AbortProgram = 3,
};

// Settles the lecture's directory "classes/<class>/<month>.<day>.<year>.<session>/" below
// "~/lumora/" from the lecture record and leaves it in m.lectureDir; m.slideOffset holds the
// number of slides already in the lecture when appending (0 otherwise).
//
// When the directory already exists the lecture-exists dialog decides:
// - change the date (also when the dialog was closed with nothing chosen, so that an existing
//   lecture is never taken for a new one): returns false, the wizard stays on its page;
// - next session: the session field moves on to the first number whose directory does not
//   exist;
// - append: the existing slides "Slide1", "Slide2", ... with the current image extension are
//   counted, appendSlides becomes true;
// - abort: throws StoppedByUser (the front end cleans up and ends).
// Every return leaves the server's current directory at "~/lumora". Nothing is created here.
//
// A class or session that cannot name one directory (empty, holding "/" or a backslash, "." or
// "..") throws InputRefused, for the user to correct.
// Throws Failure when the session number or the slide count would pass 32767, and when the
// server cannot be asked (no connection, time-out): only the server's refusal means that a
// directory or slide is not there.
bool ftpFindLecture(ModuleFtp& m, bool& appendSlides);

// Creates the lecture directory m.lectureDir; when the server refuses (it exists already),
// changes into it instead.
void ftpMakeLectureDir(ModuleFtp& m);
