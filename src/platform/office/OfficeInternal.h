#pragma once

// The inside of an open presentation, shared by the office layer's implementation files.
// Includes UNO headers: never include this outside src/platform/office.

#include "platform/office/Office.h"

#include <com/sun/star/lang/XComponent.hpp>
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
};

} // namespace office
