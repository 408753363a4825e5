#pragma once

// Helpers shared by the office layer's implementation files. Includes UNO headers: never include
// this outside src/platform/office.

#include "platform/Failure.h"

#include <QString>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

#include <initializer_list>
#include <utility>

namespace office::uno {

namespace css = com::sun::star;
using rtl::OUString;

inline OUString toOU(const QString& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()),
                    static_cast<sal_Int32>(text.size()));
}

inline QString fromOU(const OUString& text) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.getStr()), text.getLength());
}

// A property list such as a media descriptor or filter data.
inline css::uno::Sequence<css::beans::PropertyValue>
properties(std::initializer_list<std::pair<const char*, css::uno::Any>> values) {
    css::uno::Sequence<css::beans::PropertyValue> result(static_cast<sal_Int32>(values.size()));
    auto* out = result.getArray();
    for (const auto& [name, value] : values) {
        out->Name = OUString::createFromAscii(name);
        out->Value = value;
        ++out;
    }
    return result;
}

// Adds one property to such a list.
inline void addProperty(css::uno::Sequence<css::beans::PropertyValue>& list, const char* name,
                        const css::uno::Any& value) {
    list.realloc(list.getLength() + 1);
    list.getArray()[list.getLength() - 1] = css::beans::PropertyValue(
        OUString::createFromAscii(name), 0, value, css::beans::PropertyState_DIRECT_VALUE);
}

// The text of a UNO exception, for a Failure's description.
inline QString reason(const css::uno::Exception& e) {
    QString text = fromOU(e.Message).trimmed();
    // Messages from the office often carry a source location after the text; keep the text.
    for (const char* location : {" at /", " at ./"}) {
        const qsizetype at = text.indexOf(QLatin1String(location));
        if (at > 0)
            text.truncate(at);
    }
    return text.isEmpty() ? QStringLiteral("the office reported an error") : text;
}

} // namespace office::uno
