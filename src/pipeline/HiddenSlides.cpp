#include "pipeline/HiddenSlides.h"

#include "lecture/LectureRecord.h"
#include "platform/Failure.h"

#include <QStringList>

QList<int> hiddenInRange(const QList<int>& hidden, int first, int last) {
    QList<int> inRange;
    for (const int slide : hidden)
        if (slide >= first && slide <= last)
            inRange.append(slide);
    return inRange;
}

QString hiddenSlidesLine(const QList<int>& hidden, bool leftOut) {
    if (hidden.isEmpty())
        return {};
    const bool one = hidden.size() == 1;
    QStringList numbers;
    for (const int slide : hidden)
        numbers << QString::number(slide);
    const QString last = numbers.takeLast();
    const QString named = numbers.isEmpty()
                              ? last
                              : numbers.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    const QString what = leftOut ? QStringLiteral("left out") : QStringLiteral("sent too");
    return one ? QStringLiteral("Slide %1 is hidden in the presentation; it is %2").arg(named, what)
               : QStringLiteral("Slides %1 are hidden in the presentation; they are %2")
                     .arg(named, what);
}

QList<int> settleSlidesSent(LectureRecord& fields, const QList<int>& hidden) {
    const QList<int> inRange = hiddenInRange(hidden, fields.firstSlide, fields.lastSlide);
    fields.leftOut = fields.skipHiddenSlides ? inRange : QList<int>();
    if (fields.lastSlide >= fields.firstSlide && fields.slidesSent().isEmpty()) {
        const QString range = fields.firstSlide == fields.lastSlide
                                  ? QStringLiteral("Slide %1 is").arg(fields.firstSlide)
                                  : QStringLiteral("Every slide of the range %1-%2 is")
                                        .arg(fields.firstSlide)
                                        .arg(fields.lastSlide);
        throw InputRefused(range + QStringLiteral(" hidden in the presentation, and hidden slides "
                                                  "are left out: there is nothing to send"))
            .onThisComputer();
    }
    return inRange;
}
