#pragma once

#include <QByteArray>
#include <QString>

#include "pipeline/SlideText.h"

// Opening up an existing markup file so that new slides can be appended to it.
namespace textMerge {

// The bytes of an existing file that stay when new slides are appended: everything before the
// first line (lines end with CR LF, or a bare LF) whose first bytes are closingTag, byte for
// byte. Without such a line the whole file stays, and a last line without a line end gets CR LF
// so that appended lines start on a line of their own.
QByteArray keptPart(const QByteArray& existing, const QByteArray& closingTag);

// True when a line of existing (ended by LF, or the last one) begins with closingTag.
bool hasClosingLine(const QByteArray& existing, const QByteArray& closingTag);

// The merge of one file of the working directory: fileName is "extract.stml" or "extract.ntml",
// tempName "extract1.stml" or "extract1.ntml", closingTag "</stml>" or "</ntml>". Returns true
// when the local file now holds the existing lines to append to, false when the file is to be
// written new (the server has none, or an empty one). Throws Failure when the merge fails,
// and when the fetched file has no closing-tag line (cut short, or damaged): appending to it
// would lose the lecture's text.
bool mergeFile(const QString& dir, const QString& fileName, const QString& tempName,
               const QByteArray& closingTag, const FetchFn& fetch);

} // namespace textMerge
