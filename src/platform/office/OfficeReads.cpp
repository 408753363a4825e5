// The reads of an open presentation's pages: shape counts, whether a shape holds text, and the
// texts of the slides and of their notes pages, in the program's convention. What is read is kept
// (see Presentation::Impl::reads), so that reading a slide asks the office each thing once.

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/UnoSupport.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/presentation/XPresentationPage.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextRange.hpp>

namespace office {

using namespace uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

QString typeOf(const Reference<css::drawing::XShape>& shape) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return fromOU(shape->getShapeType());
#pragma GCC diagnostic pop
}

Reference<css::drawing::XDrawPages> pagesOf(const Presentation::Impl& d) {
    if (!d.document.is())
        throw OfficeFailure(QStringLiteral("No presentation is open"));
    const Reference<css::drawing::XDrawPagesSupplier> supplier(d.document, UNO_QUERY_THROW);
    return supplier->getDrawPages();
}

// Shapes that cannot hold text in the presentation application: pictures, charts, tables and
// other embedded objects, media, groups, lines and connectors, and the slide image of a notes
// page.
bool typeHoldsText(const QString& type) {
    static const char* const withoutText[] = {
        "GroupShape", "GraphicObjectShape", "OLE2Shape",          "ChartShape", "TableShape",
        "MediaShape", "PluginShape",        "AppletShape",        "FrameShape", "PageShape",
        "LineShape",  "ConnectorShape",     "Shape3DSceneObject",
    };
    const QString local = type.mid(type.lastIndexOf(QLatin1Char('.')) + 1);
    for (const char* name : withoutText) {
        if (local == QLatin1String(name))
            return false;
    }
    return true;
}

// The text of a shape in the program's convention: paragraphs separated by CR, a line break
// inside a paragraph as code 11. The office separates paragraphs with LF and writes a line break
// as LF inside its paragraph, so the paragraphs are read one by one; each is read in its parts,
// so that its fields show what the slide shows.
QString textOf(const Reference<css::text::XText>& text, const PageOfText& where) {
    const Reference<css::container::XEnumerationAccess> access(text, UNO_QUERY);
    if (!access.is())
        return fromOU(text->getString());
    QString result;
    bool first = true;
    const Reference<css::container::XEnumeration> paragraphs = access->createEnumeration();
    while (paragraphs->hasMoreElements()) {
        const Reference<css::text::XTextRange> paragraph(paragraphs->nextElement(), UNO_QUERY);
        if (!first)
            result += QChar(13);
        first = false;
        if (!paragraph.is())
            continue;
        QString part = shownParagraph(paragraph, where);
        part.replace(QChar(u'\r'), QChar(11));
        part.replace(QChar(u'\n'), QChar(11));
        part.replace(QChar(0x2028), QChar(11));
        result += part;
    }
    return result;
}

namespace {

// A page of the presentation: slide `slide` itself, or its notes page.
Reference<css::drawing::XDrawPage> pageOf(Presentation::Impl& d, bool notes, int slide) {
    auto& known = d.reads.pages[{notes, slide}];
    if (known.is())
        return known;
    if (notes) {
        const Reference<css::presentation::XPresentationPage> page(pageOf(d, false, slide),
                                                                   UNO_QUERY_THROW);
        known = page->getNotesPage();
        return known;
    }
    if (!d.reads.allPages.is())
        d.reads.allPages = pagesOf(d);
    const auto& pages = d.reads.allPages;
    if (d.reads.slideCount < 0)
        d.reads.slideCount = static_cast<int>(pages->getCount());
    if (slide < 1 || slide > d.reads.slideCount) {
        d.reads.pages.erase({notes, slide});
        throw OfficeFailure(
            QStringLiteral("Slide %1 does not exist (the presentation has %2 slides)")
                .arg(slide)
                .arg(d.reads.slideCount));
    }
    // Taken out of the answer as it is: asking the page for the interface again would be one
    // more round trip to the office.
    if (!(pages->getByIndex(slide - 1) >>= known) || !known.is()) {
        d.reads.pages.erase({notes, slide});
        throw OfficeFailure(QStringLiteral("Slide %1 cannot be read").arg(slide));
    }
    return known;
}

int shapeCountOf(Presentation::Impl& d, bool notes, int slide) {
    const auto known = d.reads.shapeCounts.find({notes, slide});
    if (known != d.reads.shapeCounts.end())
        return known->second;
    const int count = static_cast<int>(pageOf(d, notes, slide)->getCount());
    d.reads.shapeCounts[{notes, slide}] = count;
    return count;
}

Reference<css::drawing::XShape> shapeOf(Presentation::Impl& d, bool notes, int slide, int shape) {
    if (shape < 1 || shape > shapeCountOf(d, notes, slide))
        throw OfficeFailure(
            QStringLiteral("Shape %1 of slide %2 does not exist").arg(shape).arg(slide));
    auto& known = d.reads.shapes[{notes, slide, shape}];
    if (!known.is() &&
        (!(pageOf(d, notes, slide)->getByIndex(shape - 1) >>= known) || !known.is())) {
        d.reads.shapes.erase({notes, slide, shape});
        throw OfficeFailure(
            QStringLiteral("Shape %1 of slide %2 cannot be read").arg(shape).arg(slide));
    }
    return known;
}

// The shape's text, or an empty reference when it holds none.
Reference<css::text::XText> textObjectOf(Presentation::Impl& d, bool notes, int slide, int shape) {
    const auto key = std::tuple(notes, slide, shape);
    const auto known = d.reads.textObjects.find(key);
    if (known != d.reads.textObjects.end())
        return known->second;
    const auto object = shapeOf(d, notes, slide, shape);
    Reference<css::text::XText> text;
    if (typeHoldsText(typeOf(object)))
        text.set(object, UNO_QUERY);
    d.reads.textObjects[key] = text;
    return text;
}

bool holdsText(Presentation::Impl& d, bool notes, int slide, int shape) {
    return textObjectOf(d, notes, slide, shape).is();
}

QString textOfShape(Presentation::Impl& d, bool notes, int slide, int shape) {
    const auto object = textObjectOf(d, notes, slide, shape);
    if (!object.is())
        throw OfficeFailure(
            QStringLiteral("Shape %1 of slide %2 has no text frame").arg(shape).arg(slide));
    const auto key = std::tuple(notes, slide, shape);
    const auto known = d.reads.texts.find(key);
    if (known != d.reads.texts.end())
        return known->second;
    PageOfText where;
    where.slide = pageOf(d, false, slide);
    where.page = pageOf(d, notes, slide);
    where.number = slide;
    where.count = d.reads.slideCount;
    const QString text = textOf(object, where);
    d.reads.texts[key] = text;
    return text;
}

} // namespace

Reference<css::drawing::XDrawPage> slideOf(Presentation::Impl& d, int slide) {
    return pageOf(d, false, slide);
}

Reference<css::drawing::XDrawPage> notesPageOf(Presentation::Impl& d, int slide) {
    return pageOf(d, true, slide);
}

bool Presentation::isHidden(int slide) {
    return guarded(QStringLiteral("Cannot read slide %1").arg(slide), [&] {
        const Reference<css::beans::XPropertySet> properties(pageOf(*d, false, slide),
                                                             UNO_QUERY_THROW);
        bool visible = true;
        properties->getPropertyValue(OUString("Visible")) >>= visible;
        return !visible;
    });
}

int Presentation::shapeCount(int slide) {
    return guarded(QStringLiteral("Cannot read slide %1").arg(slide),
                   [&] { return shapeCountOf(*d, false, slide); });
}

bool Presentation::hasTextFrame(int slide, int shape) {
    return guarded(QStringLiteral("Cannot read slide %1").arg(slide),
                   [&] { return holdsText(*d, false, slide, shape); });
}

QString Presentation::shapeText(int slide, int shape) {
    return guarded(QStringLiteral("Cannot read slide %1").arg(slide),
                   [&] { return textOfShape(*d, false, slide, shape); });
}

int Presentation::notesShapeCount(int slide) {
    return guarded(QStringLiteral("Cannot read the notes of slide %1").arg(slide),
                   [&] { return shapeCountOf(*d, true, slide); });
}

bool Presentation::notesHasTextFrame(int slide, int shape) {
    return guarded(QStringLiteral("Cannot read the notes of slide %1").arg(slide),
                   [&] { return holdsText(*d, true, slide, shape); });
}

bool Presentation::notesHasText(int slide, int shape) {
    return !notesShapeText(slide, shape).isEmpty();
}

QString Presentation::notesShapeText(int slide, int shape) {
    return guarded(QStringLiteral("Cannot read the notes of slide %1").arg(slide),
                   [&] { return textOfShape(*d, true, slide, shape); });
}

} // namespace office
