// An open presentation: slide count, image export, adding and removing slides, and the shape and
// text reads, in the terms the program uses (1-based indexes, CR between paragraphs).

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/UnoSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QUrl>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XGraphicExportFilter.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/presentation/XPresentationPage.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

namespace office {

using namespace uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

struct ImageFilter {
    const char* name;
    const char* mediaType; // the office's export; empty: converted here from the office's PNG
    const char* qtFormat;  // the format name for the conversion
};

// The image formats the export writes, by the filter name the program passes. The office's own
// BMP and TIFF export ignore the requested pixel size, so those two are written from a PNG of
// the exact size.
constexpr ImageFilter imageFilters[] = {
    {"GIF", "image/gif", ""}, {"JPG", "image/jpeg", ""}, {"JPEG", "image/jpeg", ""},
    {"PNG", "image/png", ""}, {"BMP", "", "BMP"},        {"TIF", "", "TIFF"},
    {"TIFF", "", "TIFF"},
};

const ImageFilter* findFilter(const QString& filterName) {
    for (const auto& filter : imageFilters) {
        if (filterName.compare(QLatin1String(filter.name), Qt::CaseInsensitive) == 0)
            return &filter;
    }
    return nullptr;
}

// Largest image the export accepts: an office bitmap of this size still fits comfortably in
// memory, while a mistyped size cannot exhaust it.
constexpr int maxImageSide = 10000;
constexpr qint64 maxImagePixels = 40'000'000;

// The office's automatic layouts for the presentation application's layout numbers.
int officeLayout(int layout) {
    switch (layout) {
    case 1: // title slide
        return 0;
    case 2: // title and text
        return 1;
    case 11: // title only
        return 19;
    case 12: // blank
        return 20;
    default:
        return -1;
    }
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
// as LF inside its paragraph, so the paragraphs are read one by one.
QString textOf(const Reference<css::text::XText>& text) {
    const QString whole = fromOU(text->getString());
    // One paragraph without breaks reads the same whole, in one call instead of one per part.
    if (!whole.contains(QChar(u'\n')) && !whole.contains(QChar(u'\r')) &&
        !whole.contains(QChar(0x2028)))
        return whole;
    const Reference<css::container::XEnumerationAccess> access(text, UNO_QUERY);
    if (!access.is())
        return whole;
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
        QString part = fromOU(paragraph->getString());
        part.replace(QChar(u'\r'), QChar(11));
        part.replace(QChar(u'\n'), QChar(11));
        part.replace(QChar(0x2028), QChar(11));
        result += part;
    }
    return result;
}

} // namespace

Presentation::Presentation(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Presentation::~Presentation() {
    close();
}

bool Presentation::isOpen() const {
    return d->document.is();
}

namespace {

Reference<css::drawing::XDrawPages> pagesOf(const Presentation::Impl& d) {
    if (!d.document.is())
        throw Failure(QStringLiteral("No presentation is open"));
    const Reference<css::drawing::XDrawPagesSupplier> supplier(d.document, UNO_QUERY_THROW);
    return supplier->getDrawPages();
}

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
    const auto pages = pagesOf(d);
    if (d.reads.slideCount < 0)
        d.reads.slideCount = static_cast<int>(pages->getCount());
    if (slide < 1 || slide > d.reads.slideCount) {
        d.reads.pages.erase({notes, slide});
        throw Failure(QStringLiteral("Slide %1 does not exist (the presentation has %2 slides)")
                          .arg(slide)
                          .arg(d.reads.slideCount));
    }
    known = Reference<css::drawing::XDrawPage>(pages->getByIndex(slide - 1), UNO_QUERY_THROW);
    return known;
}

Reference<css::drawing::XDrawPage> slideOf(Presentation::Impl& d, int slide) {
    return pageOf(d, false, slide);
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
        throw Failure(QStringLiteral("Shape %1 of slide %2 does not exist").arg(shape).arg(slide));
    auto& known = d.reads.shapes[{notes, slide, shape}];
    if (!known.is())
        known = Reference<css::drawing::XShape>(pageOf(d, notes, slide)->getByIndex(shape - 1),
                                                UNO_QUERY_THROW);
    return known;
}

// The shape's type name, such as "com.sun.star.drawing.GraphicObjectShape". The interface that
// gives it is marked deprecated in the office's API but remains the only direct way to ask.
QString typeOf(const Reference<css::drawing::XShape>& shape) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return fromOU(shape->getShapeType());
#pragma GCC diagnostic pop
}

bool holdsText(Presentation::Impl& d, bool notes, int slide, int shape) {
    const auto key = std::tuple(notes, slide, shape);
    const auto known = d.reads.holdsText.find(key);
    if (known != d.reads.holdsText.end())
        return known->second;
    const auto object = shapeOf(d, notes, slide, shape);
    const bool holds =
        typeHoldsText(typeOf(object)) && Reference<css::text::XText>(object, UNO_QUERY).is();
    d.reads.holdsText[key] = holds;
    return holds;
}

QString textOfShape(Presentation::Impl& d, bool notes, int slide, int shape) {
    if (!holdsText(d, notes, slide, shape))
        throw Failure(
            QStringLiteral("Shape %1 of slide %2 has no text frame").arg(shape).arg(slide));
    const auto key = std::tuple(notes, slide, shape);
    const auto known = d.reads.texts.find(key);
    if (known != d.reads.texts.end())
        return known->second;
    const QString text =
        textOf(Reference<css::text::XText>(shapeOf(d, notes, slide, shape), UNO_QUERY_THROW));
    d.reads.texts[key] = text;
    return text;
}

// Runs one read or change of the presentation; the office's exceptions become Failure.
template <typename F> auto guarded(const QString& what, F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const css::uno::Exception& e) {
        throw Failure(what + QStringLiteral(": ") + reason(e));
    }
}

} // namespace

int Presentation::slideCount() {
    return guarded(QStringLiteral("Cannot count the slides"),
                   [&] { return static_cast<int>(pagesOf(*d)->getCount()); });
}

bool Presentation::isKnownFilter(const QString& filterName) {
    return findFilter(filterName) != nullptr;
}

void Presentation::exportSlide(int slide, const QString& fileName, const QString& filterName,
                               int width, int height) {
    const ImageFilter* filter = findFilter(filterName);
    if (filter == nullptr)
        throw Failure(QStringLiteral("The image format \"%1\" is not supported").arg(filterName));
    if (width < 1 || height < 1 || width > maxImageSide || height > maxImageSide ||
        qint64(width) * height > maxImagePixels)
        throw Failure(
            QStringLiteral("The image size %1 x %2 is not supported").arg(width).arg(height));
    const QString target = fileName + QLatin1Char('.') + filterName;
    const QFileInfo targetInfo(target);
    if (!targetInfo.absoluteDir().exists())
        throw Failure(
            QStringLiteral("The folder %1 does not exist").arg(targetInfo.absolutePath()));

    const bool converted = *filter->mediaType == '\0';
    const QString officeTarget =
        converted ? target + QStringLiteral(".export.png") : target; // the file the office writes
    guarded(QStringLiteral("Cannot export slide %1").arg(slide), [&] {
        const auto page = slideOf(*d, slide);
        const Reference<css::drawing::XGraphicExportFilter> exporter =
            css::drawing::GraphicExportFilter::create(d->context);
        exporter->setSourceDocument(Reference<css::lang::XComponent>(page, UNO_QUERY_THROW));
        const auto filterData = properties({
            {"PixelWidth", css::uno::Any(sal_Int32(width))},
            {"PixelHeight", css::uno::Any(sal_Int32(height))},
            {"Quality", css::uno::Any(sal_Int32(90))},
        });
        const QString url = QString::fromUtf8(
            QUrl::fromLocalFile(QFileInfo(officeTarget).absoluteFilePath()).toEncoded());
        const auto descriptor = properties({
            {"URL", css::uno::Any(toOU(url))},
            {"MediaType",
             css::uno::Any(OUString::createFromAscii(converted ? "image/png" : filter->mediaType))},
            {"FilterData", css::uno::Any(filterData)},
        });
        QFile::remove(target);
        QFile::remove(officeTarget);
        if (!exporter->filter(descriptor) || !QFileInfo::exists(officeTarget))
            throw Failure(QStringLiteral("Cannot export slide %1 to %2").arg(slide).arg(target));
    });

    if (converted) {
        QImage image(officeTarget, "PNG");
        QFile::remove(officeTarget);
        if (image.isNull() ||
            !image.convertToFormat(QImage::Format_RGB32).save(target, filter->qtFormat))
            throw Failure(QStringLiteral("Cannot write %1").arg(target));
    }
    // The size must be exact: the upload and the lecture's pages rely on it.
    const QSize written = QImageReader(target).size();
    if (written.isValid() && written != QSize(width, height)) {
        QFile::remove(target);
        throw Failure(QStringLiteral("The image of slide %1 came out %2 x %3 instead of %4 x %5")
                          .arg(slide)
                          .arg(written.width())
                          .arg(written.height())
                          .arg(width)
                          .arg(height));
    }
}

void Presentation::addSlide(int index, int layout) {
    const int officeLayoutNumber = officeLayout(layout);
    if (officeLayoutNumber < 0)
        throw Failure(QStringLiteral("Slide layout %1 is not supported").arg(layout));
    guarded(QStringLiteral("Cannot add a slide"), [&] {
        const auto pages = pagesOf(*d);
        const int count = pages->getCount();
        if (index < 2 || index > count + 1)
            throw Failure(QStringLiteral("Cannot add a slide at position %1 (the presentation has "
                                         "%2 slides)")
                              .arg(index)
                              .arg(count));
        // The office inserts the new page after the page with the given 0-based index.
        d->reads = {};
        const Reference<css::drawing::XDrawPage> page = pages->insertNewByIndex(index - 2);
        const Reference<css::beans::XPropertySet> properties(page, UNO_QUERY_THROW);
        properties->setPropertyValue(OUString("Layout"),
                                     css::uno::Any(sal_Int16(officeLayoutNumber)));
    });
}

void Presentation::deleteSlide(int slide) {
    guarded(QStringLiteral("Cannot delete slide %1").arg(slide), [&] {
        const auto page = slideOf(*d, slide);
        d->reads = {};
        pagesOf(*d)->remove(page);
    });
}

bool Presentation::repaired() const {
    return d->repaired;
}

void Presentation::saveCopy(const QString& path, const QString& password) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const char* filter = suffix == QLatin1String("odp")    ? "impress8"
                         : suffix == QLatin1String("pptx") ? "Impress MS PowerPoint 2007 XML"
                         : suffix == QLatin1String("ppt")  ? "MS PowerPoint 97"
                                                           : nullptr;
    if (!filter)
        throw Failure(QStringLiteral("Cannot store a presentation as %1").arg(path));
    guarded(QStringLiteral("Cannot store a copy as %1").arg(path), [&] {
        if (!d->document.is())
            throw Failure(QStringLiteral("No presentation is open"));
        auto descriptor = properties({
            {"FilterName", css::uno::Any(OUString::createFromAscii(filter))},
            {"Overwrite", css::uno::Any(true)},
        });
        if (!password.isEmpty()) {
            // The office encrypts its own format with a password, the MS Office format with
            // the key data derived from one.
            if (suffix == QLatin1String("pptx")) {
                css::uno::Sequence<css::beans::NamedValue> key(2);
                key.getArray()[0] = css::beans::NamedValue(
                    OUString("CryptoType"), css::uno::Any(OUString("StrongEncryptionDataSpace")));
                key.getArray()[1] =
                    css::beans::NamedValue(OUString("OOXPassword"), css::uno::Any(toOU(password)));
                addProperty(descriptor, "EncryptionData", css::uno::Any(key));
            } else
                addProperty(descriptor, "Password", css::uno::Any(toOU(password)));
        }
        const QString url =
            QString::fromUtf8(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
        const Reference<css::frame::XStorable> storable(d->document, UNO_QUERY_THROW);
        storable->storeToURL(toOU(url), descriptor);
    });
}

void Presentation::setSaved() {
    guarded(QStringLiteral("Cannot mark the presentation unchanged"), [&] {
        if (!d->document.is())
            throw Failure(QStringLiteral("No presentation is open"));
        const Reference<css::util::XModifiable> modifiable(d->document, UNO_QUERY_THROW);
        modifiable->setModified(false);
    });
}

void Presentation::close() {
    if (!d || !d->document.is())
        return;
    const Reference<css::lang::XComponent> document = d->document;
    d->document.clear();
    d->reads = {};
    try {
        const Reference<css::util::XModifiable> modifiable(document, UNO_QUERY);
        if (modifiable.is())
            modifiable->setModified(false);
    } catch (const css::uno::Exception&) {
    }
    try {
        const Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else
            document->dispose();
    } catch (const css::uno::Exception&) {
        // A vetoed close hands the document to the vetoing party; a lost connection has
        // closed it already.
    }
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
