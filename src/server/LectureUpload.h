#pragma once

class ModuleFtp;

// Uploads the lecture's files from the working directory into the lecture that
// ftpOpenLecture opened ("~/lumora/" + m.lectureDir): "blank.<ext>", the slides sent
// (m.lecture.slidesSent()) renumbered without a gap from m.slideOffset + 1 as "Slide<n>.<ext>" (ext
// = the image format in lower case), "description" and "extract.stml", then gives the lecture's
// lock back. A new lecture gets its blank image first, an existing one after the new slides. Each
// step is reported in m.progress; each file added is recorded in m.changes.
//
// Every failure ends the upload: a raised one and every transfer that ends in error throws
// Failure, marked to show its number in the message. Nothing after the failed step runs. A
// Cancel seen before a step throws StoppedByUser.
void ftpUploadLecture(ModuleFtp& m);

// Fetch the server's "extract.stml" / "extract.ntml" of the lecture into the working directory
// under the same name, replacing a local file of that name.
// True: the file was fetched whole. False: the server holds no such file; no local file of that
// name is left behind then. Any other failure (a refusal, a transfer cut short) throws Failure
// saying that the lecture's text could not be read whole and nothing was changed.
bool ftpFetchSlideText(ModuleFtp& m);
bool ftpFetchNotesText(ModuleFtp& m);
