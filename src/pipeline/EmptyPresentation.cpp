#include "pipeline/EmptyPresentation.h"

#include "pipeline/SlideReader.h"
#include "platform/Failure.h"

bool noSlideShowsAnything(SlideReader& reader, int first, int last) {
    for (int slide = first; slide <= last; ++slide) {
        try {
            if (reader.shapeCount(slide) > 0 || reader.drawsMoreThanShapes(slide))
                return false;
        } catch (const Failure&) {
            return false;
        }
    }
    return first <= last;
}

QString emptyPresentationText(const QString& fileName, int slideCount) {
    if (slideCount == 1)
        return QStringLiteral("%1 opened, but its one slide shows nothing; it may be damaged.")
            .arg(fileName);
    return QStringLiteral("%1 opened, but none of its %2 slides shows anything; it may be damaged.")
        .arg(fileName)
        .arg(slideCount);
}

QString repairedPresentationText(const QString& fileName) {
    return QStringLiteral("%1 opened, but only after the office repaired it or read part of it; "
                          "slides may be missing or wrong.")
        .arg(fileName);
}
