#include "pipeline/CodePageCheck.h"

#include "pipeline/SlideReader.h"
#include "pipeline/SlideText.h"
#include "platform/AnsiText.h"

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
    reader.readAhead(1, slideCount);
    for (int slide = 1; slide <= slideCount; ++slide)
        for (const QString& line : slideTextLines(reader, slide))
            addLost(lost, line);
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
