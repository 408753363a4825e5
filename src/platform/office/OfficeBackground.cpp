// Whether a slide draws anything besides its own shapes: a background of its own (a picture, a
// gradient, a hatch or a colour), or what its master page puts behind it (a background picture,
// gradient or hatch, or shapes that are not placeholders). A deck whose slides hold no shapes can
// still show a full-slide picture this way.

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/UnoSupport.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/drawing/FillStyle.hpp>
#include <com/sun/star/drawing/XMasterPageTarget.hpp>

namespace office {

using namespace uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace {

// What a background fill draws, as far as the emptiness of a slide goes.
struct Fill {
    css::drawing::FillStyle style = css::drawing::FillStyle_NONE;
    sal_Int32 colour = 0xFFFFFF; // of a plain fill; white, as a page without a fill shows
    // A picture, gradient or hatch.
    bool patterned() const {
        return style == css::drawing::FillStyle_BITMAP ||
               style == css::drawing::FillStyle_GRADIENT || style == css::drawing::FillStyle_HATCH;
    }
};

Fill backgroundOf(const Reference<css::drawing::XDrawPage>& page) {
    Fill result;
    const Reference<css::beans::XPropertySet> properties(page, UNO_QUERY);
    Reference<css::beans::XPropertySet> fill;
    if (!properties.is() || !(properties->getPropertyValue(OUString("Background")) >>= fill) ||
        !fill.is())
        return result;
    fill->getPropertyValue(OUString("FillStyle")) >>= result.style;
    if (result.style == css::drawing::FillStyle_SOLID)
        fill->getPropertyValue(OUString("FillColor")) >>= result.colour;
    return result;
}

// True when a master page's shape is drawn on the slides: any shape but the placeholders (title,
// outline, date, footer, number), which show only as the slide fills them.
bool masterShapeShows(const css::uno::Any& element) {
    const Reference<css::beans::XPropertySet> shape(element, UNO_QUERY);
    if (!shape.is())
        return false;
    const Reference<css::beans::XPropertySetInfo> info = shape->getPropertySetInfo();
    bool placeholder = false;
    if (info.is() && info->hasPropertyByName(OUString("IsPresentationObject")))
        shape->getPropertyValue(OUString("IsPresentationObject")) >>= placeholder;
    return !placeholder;
}

bool masterShapesShow(const Reference<css::drawing::XDrawPage>& master) {
    for (sal_Int32 i = 0; i < master->getCount(); ++i) {
        if (masterShapeShows(master->getByIndex(i)))
            return true;
    }
    return false;
}

// A slide's own fill shows when it is a picture, gradient or hatch, or a plain colour other
// than the one the slide shows without it (its master's, or white): files often give every
// slide a copy of the master's plain colour. The master's shapes show unless the slide hides
// them; a master's picture, gradient or hatch shows unless the slide has a fill of its own.
bool pageShowsBeyondShapes(const Reference<css::drawing::XDrawPage>& page) {
    const Fill own = backgroundOf(page);
    if (own.patterned())
        return true;
    const Reference<css::drawing::XMasterPageTarget> target(page, UNO_QUERY);
    Reference<css::drawing::XDrawPage> master;
    if (target.is())
        master = target->getMasterPage();
    const Fill behind = master.is() ? backgroundOf(master) : Fill{};
    if (own.style == css::drawing::FillStyle_SOLID) {
        if (own.colour !=
            (behind.style == css::drawing::FillStyle_SOLID ? behind.colour : Fill{}.colour))
            return true;
    } else if (behind.patterned()) {
        return true;
    }
    const Reference<css::beans::XPropertySet> properties(page, UNO_QUERY);
    bool masterObjectsShown = true;
    if (properties.is())
        properties->getPropertyValue(OUString("IsBackgroundObjectsVisible")) >>= masterObjectsShown;
    return masterObjectsShown && master.is() && masterShapesShow(master);
}

} // namespace

bool Presentation::drawsMoreThanShapes(int slide) {
    return guarded(QStringLiteral("Cannot read slide %1").arg(slide),
                   [&] { return pageShowsBeyondShapes(slideOf(*d, slide)); });
}

} // namespace office
