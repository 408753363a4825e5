#pragma once

#include <functional>

class ModuleFtp;

// One transfer into the lecture m.lectureDir, the same for every front end: opens the lecture
// (ftpOpenLecture: claims a new one, or locks and counts an existing one), runs makeFiles with
// the append flag as it now stands (it makes the working files, fetching the lecture's texts
// when appending), uploads them (ftpUploadLecture) and gives the lecture back.
//
// A failure anywhere throws Failure after what the transfer added is removed again; its advice
// then says that the server is as it was, or exactly what is left and how to remove it. A stop
// (StoppedByUser) is passed on the same way once undone; one that could not be undone becomes a
// Failure ("The transfer was stopped") that says what is left.
void ftpTransferLecture(ModuleFtp& m, bool appendSlides,
                        const std::function<void(bool appendSlides)>& makeFiles);
