#pragma once

#include <QList>
#include <QString>

struct LectureRecord;

// Slides hidden in the presentation: sent like the others, and named, unless the lecture leaves
// them out; then the slides sent are numbered on the server without a gap.

// The slides of first..last among `hidden` (the presentation's hidden slides, ascending).
QList<int> hiddenInRange(const QList<int>& hidden, int first, int last);

// The line that names the hidden slides of the range: "Slide 13 is hidden in the presentation;
// it is sent too", "Slides 13 and 48 are hidden ...; they are sent too", "Slides 2, 5 and 9
// ..."; with `leftOut` "... they are left out". "" when there are none.
QString hiddenSlidesLine(const QList<int>& hidden, bool leftOut);

// Settles the slides sent of the lecture's range: with skipHiddenSlides its hidden ones (of
// `hidden`, the presentation's) are left out (fields.leftOut), else none. Returns the range's
// hidden slides. Throws Input when every slide of the range would be left out.
QList<int> settleSlidesSent(LectureRecord& fields, const QList<int>& hidden);
