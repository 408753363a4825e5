#pragma once

#include <QByteArray>
#include <QString>

// The Lumora account file ("~/lumora/admin/passwd"): one account per line, lines ended by LF,
// each line user ID + ":" + password + ":" + further fields; "#" starts a comment line.
//
// accountMatches() tells whether some line holds exactly this user ID and password:
// - the file is read up to its first CR (the format has none); a file with CR LF line ends
//   therefore matches nobody instead of being guessed at;
// - only lines ended by LF are examined; text after the last LF is ignored;
// - a line with fewer than two ":" (an empty line included) is outside the format and skipped;
// - comparisons are exact: case-sensitive, no trimming;
// - the whole file is searched, however long;
// - bytes are read as Windows-1252, one character per byte, the code page of the program's
//   other text files, so that an ID or password typed with its letters matches; NUL bytes are
//   plain characters that no typed text holds.
bool accountMatches(const QByteArray& file, const QString& id, const QString& password);
