// The text of a paragraph as its page shows it. The office gives a text field's value only as it
// would draw it without a page: a slide number as "1" or "<number>" whatever the slide, a footer
// or a date of the slide as a placeholder or nothing. The fields that depend on the page are
// worked out here from the slide; every other field (a date of its own, a file name, a link)
// keeps the text the office gives.

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/UnoSupport.h"

#include <QDateTime>
#include <QLocale>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XTextField.hpp>

namespace office {

using namespace uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace {

enum class FieldKind { Other, SlideNumber, SlideCount, Footer, Header, SlideDate };

FieldKind kindOf(const Reference<css::text::XTextField>& field) {
    const Reference<css::lang::XServiceInfo> info(field, UNO_QUERY);
    if (!info.is())
        return FieldKind::Other;
    for (const OUString& name : info->getSupportedServiceNames()) {
        const QString service = fromOU(name).toLower();
        if (service.endsWith(QLatin1String("textfield.pagenumber")))
            return FieldKind::SlideNumber;
        if (service.endsWith(QLatin1String("textfield.pagecount")))
            return FieldKind::SlideCount;
        if (service.startsWith(QLatin1String("com.sun.star.presentation.textfield."))) {
            const QString local = service.mid(service.lastIndexOf(QLatin1Char('.')) + 1);
            if (local == QLatin1String("footer"))
                return FieldKind::Footer;
            if (local == QLatin1String("header"))
                return FieldKind::Header;
            if (local == QLatin1String("datetime"))
                return FieldKind::SlideDate;
        }
    }
    return FieldKind::Other;
}

QString stringProperty(const Reference<css::drawing::XDrawPage>& page, const char* name) {
    const Reference<css::beans::XPropertySet> properties(page, UNO_QUERY);
    OUString value;
    if (properties.is())
        properties->getPropertyValue(OUString::createFromAscii(name)) >>= value;
    return fromOU(value);
}

// Today's date and time in the slide's date format: its low four bits choose the date's form,
// the next four the time's (the office's numbering; 0 and 1 mean the default form).
QString currentDate(sal_Int32 format) {
    static const char* const dates[] = {
        "MM/dd/yy",   "MM/dd/yy",    "MM/dd/yy",     "dddd, MMMM d, yyyy", "MM/dd/yy",
        "MM/dd/yyyy", "MMM d, yyyy", "MMMM d, yyyy", "ddd, MMMM d, yyyy",  "dddd, MMMM d, yyyy"};
    static const char* const times[] = {
        "",      "HH:mm",    "HH:mm:ss",    "HH:mm",    "HH:mm:ss",    "HH:mm:ss.zz",
        "hh:mm", "hh:mm:ss", "hh:mm:ss.zz", "hh:mm AP", "hh:mm:ss AP", "hh:mm:ss.zz AP"};
    const int date = format & 0xF;
    const int time = (format >> 4) & 0xF;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime now = QDateTime::currentDateTime();
    QStringList parts;
    if (date < int(std::size(dates)) && (date > 0 || time == 0))
        parts << english.toString(now, QLatin1String(dates[date]));
    if (time > 0 && time < int(std::size(times)))
        parts << english.toString(now, QLatin1String(times[time]));
    return parts.join(QLatin1Char(' '));
}

QString slideDate(const Reference<css::drawing::XDrawPage>& slide) {
    const Reference<css::beans::XPropertySet> properties(slide, UNO_QUERY);
    if (!properties.is())
        return {};
    bool fixed = false;
    properties->getPropertyValue(OUString("IsDateTimeFixed")) >>= fixed;
    if (fixed)
        return stringProperty(slide, "DateTimeText");
    sal_Int32 format = 0;
    properties->getPropertyValue(OUString("DateTimeFormat")) >>= format;
    return currentDate(format);
}

QString fieldText(const css::uno::Any& fieldValue, const QString& officeText,
                  const PageOfText& where) {
    Reference<css::text::XTextField> field;
    fieldValue >>= field;
    switch (field.is() ? kindOf(field) : FieldKind::Other) {
    case FieldKind::SlideNumber:
        return QString::number(where.number);
    case FieldKind::SlideCount:
        return QString::number(where.count);
    case FieldKind::Footer:
        return stringProperty(where.slide, "FooterText");
    case FieldKind::Header:
        return stringProperty(where.page, "HeaderText");
    case FieldKind::SlideDate:
        return slideDate(where.slide);
    case FieldKind::Other:
        break;
    }
    return officeText;
}

} // namespace

QString shownParagraph(const Reference<css::text::XTextRange>& paragraph, const PageOfText& where) {
    const Reference<css::container::XEnumerationAccess> access(paragraph, UNO_QUERY);
    if (!access.is())
        return fromOU(paragraph->getString());
    QString text;
    const Reference<css::container::XEnumeration> portions = access->createEnumeration();
    while (portions->hasMoreElements()) {
        const Reference<css::text::XTextRange> portion(portions->nextElement(), UNO_QUERY);
        if (!portion.is())
            continue;
        const QString officeText = fromOU(portion->getString());
        const Reference<css::beans::XPropertySet> properties(portion, UNO_QUERY);
        OUString type;
        if (properties.is())
            properties->getPropertyValue(OUString("TextPortionType")) >>= type;
        text += type == "TextField" ? fieldText(properties->getPropertyValue(OUString("TextField")),
                                                officeText, where)
                                    : officeText;
    }
    return text;
}

} // namespace office
