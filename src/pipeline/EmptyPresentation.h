#pragma once

#include <QString>

class SlideReader;

// A damaged file can open with every slide empty, or open only after the office repaired it;
// uploaded, it would be a "complete" lecture of blank or missing slides. These find it before
// anything is sent.

// True when none of slides first..last holds a shape of its own (the master's shapes do not
// count). A slide whose shapes cannot be counted counts as showing something.
bool noSlideShowsAnything(SlideReader& reader, int first, int last);

// What the user is told (and asked, in the wizard) about such a presentation.
QString emptyPresentationText(const QString& fileName, int slideCount);

// What the user is told (and asked, in the wizard) about a presentation the office repaired, or
// read only in part, to open it.
QString repairedPresentationText(const QString& fileName);
