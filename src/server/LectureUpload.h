#pragma once

class ModuleFtp;

// Uploads the lecture's files from the working directory into "~/lumora/" + m.lectureDir:
// "blank.<ext>", the slides of the chosen range renumbered from m.slideOffset + 1 as
// "Slide<n>.<ext>" (ext = the image format in lower case), "description" and "extract.stml".
// Each step is reported in m.progress.
//
// Every failure ends the upload: a raised one and every transfer that ends in error throws
// Failure, marked to show its number in the message. Nothing after the failed step runs. A
// Cancel seen before a step throws StoppedByUser.
void ftpUploadLecture(ModuleFtp& m);

// Fetch the server's "extract.stml" / "extract.ntml" of the lecture into the working directory
// under the same name, replacing a local file of that name.
// True: the file was fetched. False: the server holds no such file; no local file of that name
// is left behind then. Any other failure throws Failure.
bool ftpFetchSlideText(ModuleFtp& m);
bool ftpFetchNotesText(ModuleFtp& m);
