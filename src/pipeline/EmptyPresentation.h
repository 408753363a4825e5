#pragma once

#include <QString>

class SlideReader;

// A damaged file can open with every slide empty, or open only after the office repaired it;
// uploaded, it would be a "complete" lecture of blank or missing slides. These find it before
// anything is sent.

// True when none of slides first..last shows anything: no shape of its own, no background of its
// own, nothing from its master page but placeholders and a plain colour. A slide that cannot be
// read counts as showing something.
bool noSlideShowsAnything(SlideReader& reader, int first, int last);

// What the user is told (and asked, in the wizard) about such a presentation.
QString emptyPresentationText(const QString& fileName, int slideCount);

// What the user is told (and asked, in the wizard) about a presentation the office repaired, or
// read only in part, to open it.
QString repairedPresentationText(const QString& fileName);
