// An open presentation: slide count, image export, adding and removing slides, storing a copy and
// closing, in the terms the program uses (1-based indexes). The text reads are in OfficeReads.cpp.

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/SlideFrame.h"
#include "platform/office/UnoSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QUrl>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XGraphicExportFilter.hpp>
#include <com/sun/star/frame/XStorable.hpp>
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
    const char* qtFormat;  // the format name when written here; empty for GIF (framed as GIF)
};

// The image formats the export writes, by the filter name the program passes. The office's own
// BMP and TIFF export ignore the requested pixel size, so those two are written from a PNG of
// the exact size.
constexpr ImageFilter imageFilters[] = {
    {"GIF", "image/gif", ""},
    {"JPG", "image/jpeg", "JPEG"},
    {"JPEG", "image/jpeg", "JPEG"},
    {"PNG", "image/png", "PNG"},
    {"BMP", "", "BMP"},
    {"TIF", "", "TIFF"},
    {"TIFF", "", "TIFF"},
};

constexpr int jpegQuality = 90;

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

} // namespace

Presentation::Presentation(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Presentation::~Presentation() {
    close();
}

bool Presentation::isOpen() const {
    return d->document.is();
}

int Presentation::slideCount() {
    return guarded(QStringLiteral("Cannot count the slides"),
                   [&] { return static_cast<int>(pagesOf(*d)->getCount()); });
}

bool Presentation::isKnownFilter(const QString& filterName) {
    return findFilter(filterName) != nullptr;
}

namespace {
// The filter of an export request that can be carried out; throws when it cannot.
const ImageFilter& checkedExport(const QString& target, const QString& filterName, int width,
                                 int height) {
    const ImageFilter* filter = findFilter(filterName);
    if (filter == nullptr)
        throw OfficeFailure(
            QStringLiteral("The image format \"%1\" is not supported").arg(filterName));
    if (width < 1 || height < 1 || width > maxImageSide || height > maxImageSide ||
        qint64(width) * height > maxImagePixels)
        throw OfficeFailure(
            QStringLiteral("The image size %1 x %2 is not supported").arg(width).arg(height));
    const QFileInfo targetInfo(target);
    if (!targetInfo.absoluteDir().exists())
        throw OfficeFailure(
            QStringLiteral("The folder %1 does not exist").arg(targetInfo.absolutePath()));
    return *filter;
}

// The size must be exact: the upload and the lecture's pages rely on it. An image of another
// size is removed.
void checkWrittenSize(const QString& target, int slide, int width, int height) {
    const QSize written = QImageReader(target).size();
    if (written.isValid() && written != QSize(width, height)) {
        QFile::remove(target);
        throw OfficeFailure(
            QStringLiteral("The image of slide %1 came out %2 x %3 instead of %4 x %5")
                .arg(slide)
                .arg(written.width())
                .arg(written.height())
                .arg(width)
                .arg(height));
    }
}
} // namespace

namespace {
// The slides' size: every slide of a presentation has the same.
QSize pageSizeOf(Presentation::Impl& d, int slide) {
    if (!d.pageSize.isValid()) {
        const Reference<css::beans::XPropertySet> page(slideOf(d, slide), UNO_QUERY_THROW);
        sal_Int32 width = 0, height = 0;
        page->getPropertyValue(OUString("Width")) >>= width;
        page->getPropertyValue(OUString("Height")) >>= height;
        d.pageSize = QSize(width, height);
    }
    return d.pageSize;
}

// The office draws slide `slide` as `fileName` (a file of type `mediaType`) at `size`.
void drawSlide(Presentation::Impl& d, int slide, const QString& fileName, const char* mediaType,
               QSize size) {
    const auto page = slideOf(d, slide);
    if (!d.exporter.is())
        d.exporter = css::drawing::GraphicExportFilter::create(d.context);
    d.exporter->setSourceDocument(Reference<css::lang::XComponent>(page, UNO_QUERY_THROW));
    const auto filterData = properties({
        {"PixelWidth", css::uno::Any(sal_Int32(size.width()))},
        {"PixelHeight", css::uno::Any(sal_Int32(size.height()))},
        {"Quality", css::uno::Any(sal_Int32(jpegQuality))},
    });
    const QString url =
        QString::fromUtf8(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()).toEncoded());
    const auto descriptor = properties({
        {"URL", css::uno::Any(toOU(url))},
        {"MediaType", css::uno::Any(OUString::createFromAscii(mediaType))},
        {"FilterData", css::uno::Any(filterData)},
    });
    QFile::remove(fileName);
    if (!d.exporter->filter(descriptor) || !QFileInfo::exists(fileName))
        throw OfficeFailure(QStringLiteral("Cannot export slide %1").arg(slide));
}

// Puts the office's image of the slide into the frame, as `target`.
bool frameDrawn(const QString& drawn, const QString& target, const ImageFilter& filter,
                QSize size) {
    if (*filter.qtFormat != '\0')
        return frame::frameImage(drawn, target, filter.qtFormat, size, jpegQuality);
    QFile in(drawn);
    const QByteArray framed =
        in.open(QIODevice::ReadOnly) ? frame::frameGif(in.readAll(), size) : QByteArray();
    QFile out(target);
    return !framed.isEmpty() && out.open(QIODevice::WriteOnly) &&
           out.write(framed) == framed.size() && out.flush();
}
} // namespace

// The office draws the slide as large as fits with its proportions. When those are the frame's,
// it writes the target itself (BMP and TIFF from its PNG); else its image, a GIF or a PNG, is put
// into the frame here.
void Presentation::exportSlide(int slide, const QString& fileName, const QString& filterName,
                               int width, int height) {
    const QString target = fileName + QLatin1Char('.') + filterName;
    const ImageFilter& filter = checkedExport(target, filterName, width, height);
    const QSize frameSize(width, height);
    const QSize drawn = guarded(QStringLiteral("Cannot export slide %1").arg(slide), [&] {
        const QSize page = pageSizeOf(*d, slide);
        return frame::fitted(page.width(), page.height(), frameSize);
    });
    const bool framed = drawn != frameSize;
    const bool viaPng = *filter.mediaType == '\0' || (framed && *filter.qtFormat != '\0');
    const bool here = viaPng || framed; // the target is written here, not by the office
    const QString officeTarget =
        here ? target + (viaPng ? QStringLiteral(".export.png") : QStringLiteral(".export.gif"))
             : target;
    QFile::remove(target);
    guarded(QStringLiteral("Cannot export slide %1").arg(slide), [&] {
        drawSlide(*d, slide, officeTarget, viaPng ? "image/png" : filter.mediaType, drawn);
    });
    if (here) {
        const bool written = frameDrawn(officeTarget, target, filter, frameSize);
        QFile::remove(officeTarget);
        if (!written)
            throw OfficeFailure(QStringLiteral("Cannot write %1").arg(target));
    }
    checkWrittenSize(target, slide, width, height);
}

void Presentation::addSlide(int index, int layout) {
    const int officeLayoutNumber = officeLayout(layout);
    if (officeLayoutNumber < 0)
        throw OfficeFailure(QStringLiteral("Slide layout %1 is not supported").arg(layout));
    guarded(QStringLiteral("Cannot add a slide"), [&] {
        const auto pages = pagesOf(*d);
        const int count = pages->getCount();
        if (index < 2 || index > count + 1)
            throw OfficeFailure(
                QStringLiteral("Cannot add a slide at position %1 (the presentation has "
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
        throw OfficeFailure(QStringLiteral("Cannot store a presentation as %1").arg(path));
    guarded(QStringLiteral("Cannot store a copy as %1").arg(path), [&] {
        if (!d->document.is())
            throw OfficeFailure(QStringLiteral("No presentation is open"));
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
            throw OfficeFailure(QStringLiteral("No presentation is open"));
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
    d->exporter.clear(); // it holds the last slide it drew
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

} // namespace office
