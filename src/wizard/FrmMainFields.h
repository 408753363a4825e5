#pragma once

#include "lecture/LectureRecord.h"

#include <QStringList>

class FrmMain;

// Between the wizard's pages and the lecture record that the server session and the pipeline
// read: the record is filled from the pages before each step, and what a step found (the class
// list, a new session number) is shown on the pages again.
namespace wizardLecture {

LectureRecord fromPages(const FrmMain& w);

// Fills the Classes box with `classes`, keeping `keep` chosen while the list holds it, else the
// first class.
void showClasses(FrmMain& w, const QStringList& classes, const QString& keep);

} // namespace wizardLecture
