#pragma once

#include <QString>
#include <QStringList>

class SlideReader;

// The program's files are single-byte text (see ansiText): a character the code page cannot hold
// reaches the server as "?". These find such characters before anything is sent, so that the
// user can be told.

// The characters of the slide texts and notes that reach the server (the lines the text files
// get for slides 1..slideCount) that become "?", each once, in slide order. Texts that no file
// takes (a third shape, say) are not looked at; a read that fails is skipped.
QStringList charactersLostInSlides(SlideReader& reader, int slideCount);
// The same for the lines of `slides` under the rule chosen (allText: all the slide text).
QStringList charactersLostInSlides(SlideReader& reader, const QList<int>& slides, bool allText);

// The warning for the characters lost from the title and from the slides ("" when none): names
// the first few.
QString codePageWarning(const QString& title, const QStringList& lostInSlides);
