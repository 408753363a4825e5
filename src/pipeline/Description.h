#pragma once

#include <QDateTime>
#include <QString>

struct LectureRecord;

// The date line of the description file: "ddd MMM d hh:mm:ss" with English day and month names,
// the fixed zone text " EDT " and the four-digit year, e.g. "Mon Mar 1 09:05:07 EDT 1999".
QString descriptionDateLine(const QDateTime& when);

// Writes the working directory's "description" file, replacing an earlier one: the lecture title
// and the user ID, each on one line (oneLine) ended by LF, then the date line ended by CR LF:
// always three lines. Throws Failure when the
// file cannot be written.
void writeDescription(const LectureRecord& fields,
                      const QDateTime& now = QDateTime::currentDateTime());
