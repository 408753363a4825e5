#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The single-byte text of the program's files: Windows-1252. A character that the code page
// cannot hold is written as "?" (one "?" per character, also for a character outside the basic
// plane). Decoding maps every byte to one character, including the five bytes that Windows-1252
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D, read as U+0081 etc.), so that decoding and
// encoding again gives back the same bytes.
namespace ansiText {

QByteArray encode(const QString& text);
// The characters of text that encode() writes as "?", each once, in order of appearance.
QStringList unencodable(const QString& text);
QString decode(const QByteArray& bytes);

} // namespace ansiText
