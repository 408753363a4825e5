#pragma once

// The inside of an open presentation, shared by the office layer's implementation files.
// Includes UNO headers: never include this outside src/platform/office.

#include "platform/Failure.h"
#include "platform/office/Office.h"
#include "platform/office/UnoSupport.h"

#include <QSize>
#include <QString>
#include <map>
#include <tuple>

#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XGraphicExportFilter.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace office {

struct Presentation::Impl {
    Impl(com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> officeContext,
         com::sun::star::uno::Reference<com::sun::star::lang::XComponent> openDocument)
        : context(std::move(officeContext)), document(std::move(openDocument)) {}

    // The office's component context, for the services the export needs.
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context;
    // The loaded presentation; empty once closed.
    com::sun::star::uno::Reference<com::sun::star::lang::XComponent> document;
    // The office repaired the file, or read only part of it, while loading it.
    bool repaired = false;
    // The office's image exporter, made at the first slide's export and used for every slide.
    com::sun::star::uno::Reference<com::sun::star::drawing::XGraphicExportFilter> exporter;
    // The slides' size in 1/100 mm (every slide has the same), read at the first export.
    QSize pageSize;

    // What was read of the pages, so that the reads of one slide that follow each other (its
    // shape count, whether a shape holds text, its text) ask the office each thing once.
    // Forgotten whenever slides are added or removed. Keys: (notes page?, slide[, shape]).
    struct Reads {
        int slideCount = -1;
        com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPages> allPages;
        std::map<std::pair<bool, int>,
                 com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPage>>
            pages;
        std::map<std::pair<bool, int>, int> shapeCounts;
        std::map<std::tuple<bool, int, int>,
                 com::sun::star::uno::Reference<com::sun::star::drawing::XShape>>
            shapes;
        std::map<std::tuple<bool, int, int>,
                 com::sun::star::uno::Reference<com::sun::star::text::XText>>
            textObjects; // empty for a shape that holds no text
        std::map<std::tuple<bool, int, int>, QString> texts;
    };
    Reads reads;
};

// The presentation's pages, and slide `slide` (1-based; Failure when there is none).
com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPages>
pagesOf(const Presentation::Impl& d);
com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPage> slideOf(Presentation::Impl& d,
                                                                           int slide);

// The notes page of slide `slide` (Failure when there is no such slide).
com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPage>
notesPageOf(Presentation::Impl& d, int slide);

// The shape's type name, such as "com.sun.star.drawing.GraphicObjectShape". The interface that
// gives it is marked deprecated in the office's API but remains the only direct way to ask.
QString typeOf(const com::sun::star::uno::Reference<com::sun::star::drawing::XShape>& shape);
// False for the shapes that cannot hold text in the presentation application (pictures, charts,
// tables, groups, lines, ...), whose text interface is not the shape's text.
bool typeHoldsText(const QString& type);

// Where a text stands, for the fields that show something of their page: the slide (for a text
// of a notes page, the slide of that notes page), the page itself, the slide's number and the
// count of slides.
struct PageOfText {
    com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPage> slide;
    com::sun::star::uno::Reference<com::sun::star::drawing::XDrawPage> page;
    int number = 0;
    int count = 0;
};

// The text of one paragraph as the page shows it, its fields worked out (OfficeFields.cpp).
QString
shownParagraph(const com::sun::star::uno::Reference<com::sun::star::text::XTextRange>& paragraph,
               const PageOfText& where);

// A text in the program's convention (paragraphs separated by CR, a line break inside one as
// code 11), its fields as `where` shows them.
QString textOf(const com::sun::star::uno::Reference<com::sun::star::text::XText>& text,
               const PageOfText& where);

// Runs one read or change of the presentation; the office's exceptions become Failure.
template <typename F> auto guarded(const QString& what, F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const com::sun::star::uno::Exception& e) {
        throw OfficeFailure(what + QStringLiteral(": ") + uno::reason(e));
    }
}

} // namespace office
