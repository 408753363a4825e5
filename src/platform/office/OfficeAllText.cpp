// All the text a slide holds, for the text files' rule that reads it all: the title placeholder,
// every other text shape in reading order, the cells of tables row by row and the shapes inside
// groups; and the whole text of the notes placeholder. Fields read as the page shows them.

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/UnoSupport.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>

#include <algorithm>
#include <vector>

namespace office {

using namespace uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace {

bool isType(const QString& type, const char* local) {
    return type.endsWith(QLatin1Char('.') + QLatin1String(local));
}

// A shape that is no group, where it stands on the page (1/100 mm), and its order among the
// page's shapes, which breaks ties.
struct PlacedShape {
    Reference<css::drawing::XShape> shape;
    QString type;
    int top = 0;
    int left = 0;
    int order = 0;
};

// The shapes of `shapes`, groups opened (however deep), in z-order.
void collectShapes(const Reference<css::drawing::XShapes>& shapes, std::vector<PlacedShape>& out) {
    const sal_Int32 count = shapes->getCount();
    for (sal_Int32 k = 0; k < count; ++k) {
        Reference<css::drawing::XShape> shape;
        if (!(shapes->getByIndex(k) >>= shape) || !shape.is())
            continue;
        const QString type = typeOf(shape);
        if (isType(type, "GroupShape")) {
            const Reference<css::drawing::XShapes> inside(shape, UNO_QUERY);
            if (inside.is())
                collectShapes(inside, out);
            continue;
        }
        const css::awt::Point at = shape->getPosition();
        out.push_back({shape, type, int(at.Y), int(at.X), int(out.size())});
    }
}

// The texts of a table's cells, row by row; empty cells give none.
void tableTexts(const Reference<css::drawing::XShape>& shape, const PageOfText& where,
                QStringList& out) {
    const Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY);
    Reference<css::table::XCellRange> cells;
    if (!properties.is() || !(properties->getPropertyValue(OUString("Model")) >>= cells) ||
        !cells.is())
        return;
    const Reference<css::table::XColumnRowRange> size(cells, UNO_QUERY);
    if (!size.is())
        return;
    const sal_Int32 rows = size->getRows()->getCount();
    const sal_Int32 columns = size->getColumns()->getCount();
    for (sal_Int32 row = 0; row < rows; ++row) {
        for (sal_Int32 column = 0; column < columns; ++column) {
            const Reference<css::text::XText> text(cells->getCellByPosition(column, row),
                                                   UNO_QUERY);
            if (!text.is())
                continue;
            // A cell gives its paragraphs only once its text was asked for whole: before, it
            // enumerates none.
            if (text->getString().isEmpty())
                continue;
            const QString cellText = textOf(text, where);
            if (!cellText.isEmpty())
                out.append(cellText);
        }
    }
}

// The shape's own text, or an empty reference when it holds none.
Reference<css::text::XText> textOfShape(const PlacedShape& placed) {
    if (!typeHoldsText(placed.type))
        return {};
    return Reference<css::text::XText>(placed.shape, UNO_QUERY);
}

PageOfText placeOf(Presentation::Impl& d, int slide, bool notes) {
    PageOfText where;
    where.slide = slideOf(d, slide);
    where.page = notes ? notesPageOf(d, slide) : where.slide;
    where.number = slide;
    where.count = d.reads.slideCount; // known once a slide was read
    return where;
}

Presentation::AllText allTextOf(Presentation::Impl& d, int slide) {
    const PageOfText where = placeOf(d, slide, false);
    const Reference<css::drawing::XShapes> page(where.slide, UNO_QUERY);
    Presentation::AllText result;
    if (!page.is() || page->getCount() < 1)
        return result;

    std::vector<PlacedShape> shapes;
    collectShapes(page, shapes);
    // The title: the title placeholder, else the page's first shape when it holds text.
    Reference<css::drawing::XShape> titleShape;
    for (const PlacedShape& placed : shapes) {
        if (isType(placed.type, "TitleTextShape")) {
            titleShape = placed.shape;
            break;
        }
    }
    if (!titleShape.is()) {
        Reference<css::drawing::XShape> first;
        if ((page->getByIndex(0) >>= first) && first.is() && typeHoldsText(typeOf(first)))
            titleShape = first;
    }
    if (titleShape.is())
        result.title = textOf(Reference<css::text::XText>(titleShape, UNO_QUERY), where);

    std::stable_sort(shapes.begin(), shapes.end(), [](const PlacedShape& a, const PlacedShape& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    for (const PlacedShape& placed : shapes) {
        if (placed.shape == titleShape)
            continue;
        if (isType(placed.type, "TableShape")) {
            tableTexts(placed.shape, where, result.texts);
        } else if (const auto text = textOfShape(placed); text.is()) {
            result.texts.append(textOf(text, where));
        }
    }
    return result;
}

QString notesPlaceholderTextOf(Presentation::Impl& d, int slide) {
    const PageOfText where = placeOf(d, slide, true);
    const Reference<css::drawing::XShapes> page(where.page, UNO_QUERY);
    if (!page.is())
        return {};
    const sal_Int32 count = page->getCount();
    for (sal_Int32 k = 0; k < count; ++k) {
        Reference<css::drawing::XShape> shape;
        if ((page->getByIndex(k) >>= shape) && shape.is() && isType(typeOf(shape), "NotesShape")) {
            const Reference<css::text::XText> text(shape, UNO_QUERY);
            return text.is() ? textOf(text, where) : QString();
        }
    }
    return {};
}

} // namespace

Presentation::AllText Presentation::allText(int slide) {
    return guarded(QStringLiteral("Cannot read slide %1").arg(slide),
                   [&] { return allTextOf(*d, slide); });
}

QString Presentation::notesPlaceholderText(int slide) {
    return guarded(QStringLiteral("Cannot read the notes of slide %1").arg(slide),
                   [&] { return notesPlaceholderTextOf(*d, slide); });
}

} // namespace office
