#include "pipeline/CodePageCheck.h"

#include "pipeline/SlideReader.h"
#include "platform/AnsiText.h"
#include "platform/Failure.h"

namespace {
void addLost(QStringList& lost, const QString& text) {
    for (const QString& c : ansiText::unencodable(text))
        if (!lost.contains(c))
            lost << c;
}

QString firstFew(const QStringList& characters) {
    constexpr int shown = 5;
    QString text = characters.mid(0, shown).join(QStringLiteral(" "));
    if (characters.size() > shown)
        text += QStringLiteral(" and %1 more").arg(characters.size() - shown);
    return text;
}
} // namespace

QStringList charactersLostInSlides(SlideReader& reader, int slideCount) {
    QStringList lost;
    for (int slide = 1; slide <= slideCount; ++slide) {
        try {
            for (int shape = 1, n = reader.shapeCount(slide); shape <= n; ++shape)
                if (reader.hasTextFrame(slide, shape))
                    addLost(lost, reader.shapeText(slide, shape));
            for (int shape = 1, n = reader.notesShapeCount(slide); shape <= n; ++shape)
                if (reader.notesHasText(slide, shape))
                    addLost(lost, reader.notesShapeText(slide, shape));
        } catch (const Failure&) {
        }
    }
    return lost;
}

QString codePageWarning(const QString& title, const QStringList& lostInSlides) {
    const QStringList inTitle = ansiText::unencodable(title);
    if (inTitle.isEmpty() && lostInSlides.isEmpty())
        return {};
    QStringList where;
    if (!inTitle.isEmpty())
        where << QStringLiteral("the title (%1)").arg(firstFew(inTitle));
    if (!lostInSlides.isEmpty())
        where << QStringLiteral("the slide texts (%1)").arg(firstFew(lostInSlides));
    return QStringLiteral("Characters in %1 cannot be written in the server's code page and will "
                          "reach it as \"?\".")
        .arg(where.join(QStringLiteral(" and ")));
}
