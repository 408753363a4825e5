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

// A character as the warning names it: as itself when it can be seen; private-use characters of
// the range symbol fonts map their glyphs to (U+F000..U+F0FF) all as "symbol-font characters",
// since they show only in that font; anything else that shows nothing readable (a control or
// format character, another private-use character, a space other than the plain one, a
// combining mark without its letter) by its
// code point, such as "U+200B".
QString shown(const QString& character) {
    const char32_t code = character.isEmpty() ? 0 : character.toUcs4().value(0);
    if (code >= 0xF000 && code <= 0xF0FF)
        return QStringLiteral("symbol-font characters");
    const auto category = QChar::category(code);
    if (QChar::isPrint(code) && !QChar::isSpace(code) && category != QChar::Mark_NonSpacing &&
        category != QChar::Mark_Enclosing)
        return character;
    return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}

// The first few characters: the visible ones as today, separated by spaces, then those named
// by their code point or kind, each name once.
QString firstFew(const QStringList& lost) {
    QStringList characters;
    for (const QString& c : lost) {
        const QString name = shown(c);
        if (!characters.contains(name))
            characters << name;
    }
    constexpr int count = 5;
    QStringList visible, named;
    for (const QString& c : characters.mid(0, count))
        (c.size() > 2 ? named : visible) << c; // a character is one or two UTF-16 units
    if (!visible.isEmpty())
        named.prepend(visible.join(QStringLiteral(" ")));
    QString text = named.join(QStringLiteral(", "));
    if (characters.size() > count)
        text += QStringLiteral(" and %1 more").arg(characters.size() - count);
    return text;
}
} // namespace

QStringList charactersLostInSlides(SlideReader& reader, int slideCount) {
    QList<int> slides;
    for (int slide = 1; slide <= slideCount; ++slide)
        slides.append(slide);
    return charactersLostInSlides(reader, slides, false);
}

QStringList charactersLostInSlides(SlideReader& reader, const QList<int>& slides, bool allText) {
    QStringList lost;
    reader.readAhead(slides, allText);
    for (const int slide : slides)
        for (const QString& line : slideTextLines(reader, slide, allText))
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
