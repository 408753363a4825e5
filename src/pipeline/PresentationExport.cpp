#include "pipeline/PresentationExport.h"

#include "lecture/LectureRecord.h"
#include "lecture/OneLine.h"
#include "lecture/ProgressSink.h"
#include "pipeline/OfficeSlideReader.h"
#include "pipeline/SlideImageExport.h"
#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/WorkerThread.h"
#include "platform/office/Office.h"

#include <limits>

namespace {

// The layout number of the blank slide in the presentation application.
constexpr int blankLayout = 12;

} // namespace

QString presentationNameOf(const QString& path) {
    if (path.isEmpty())
        return {};
    // The last character always belongs to the name; the first separator before it ends it.
    qsizetype start = path.size() - 1;
    while (start > 0 && path[start - 1] != QLatin1Char('\\') && path[start - 1] != QLatin1Char('/'))
        --start;
    return path.mid(start);
}

PresentationExport::PresentationExport(LectureRecord& fields) : fields_(fields) {}

PresentationExport::~PresentationExport() {
    closePresentation();
}

void PresentationExport::startOfficeInBackground() {
    workerThread::post([this] { findOrStartOffice(); });
}

void PresentationExport::startOfficesInBackground() {
    startOfficeInBackground();
    helpers_.startInBackground();
}

QString PresentationExport::findOrStartOffice() {
    // An office kept from the last presentation (or started in the background) is used again
    // while it answers; otherwise the running one is attached to, or this program starts (and
    // later quits) one.
    QString error;
    try {
        app_ = office::Application::keepOrFind(std::move(app_), office::pipeName());
        appStartedHere_ = appStartedHere_ || app_->startedHere();
    } catch (const Failure& e) {
        appStartedHere_ = true;
        error = e.description();
    }
    return app_ ? QString() : error;
}

OpenOutcome PresentationExport::openPresentation(const QString& path, const QString& password) {
    return workerThread::call([&] { return openOnWorker(path, password); });
}

OpenOutcome PresentationExport::openOnWorker(const QString& path, const QString& password) {
    closeDocumentOnWorker();
    const QString noOffice = findOrStartOffice();
    if (!app_)
        return {OpenOutcome::NoOffice, noOffice};
    try {
        presentation_ = app_->open(path, password);
    } catch (const office::PasswordNeeded& e) {
        return {e.wrongPassword ? OpenOutcome::PasswordWrong : OpenOutcome::PasswordNeeded,
                e.description()};
    } catch (const Failure& e) {
        return {OpenOutcome::Damaged, e.description()};
    }
    OpenOutcome outcome{presentation_->repaired() ? OpenOutcome::Repaired : OpenOutcome::Opened,
                        {}};
    try {
        const int count = presentation_->slideCount();
        if (count > std::numeric_limits<int16_t>::max())
            outcome = {OpenOutcome::Damaged,
                       QStringLiteral("The presentation has too many slides (%1)").arg(count)};
        else if (count <= 0)
            outcome = {OpenOutcome::Empty, QStringLiteral("The presentation has no slides")};
        else
            slideCount_ = static_cast<int16_t>(count);
    } catch (const Failure& e) {
        outcome = {OpenOutcome::Damaged, e.description()};
    }
    if (!outcome.isOpen()) {
        closeDocumentOnWorker();
        return outcome;
    }
    presentationName_ = presentationNameOf(path);
    readHiddenSlides();
    helpers_.open(path, password, slideCount_);
    return outcome;
}

void PresentationExport::readHiddenSlides() {
    hiddenSlides_.clear();
    for (int slide = 1; slide <= slideCount_; ++slide) {
        try {
            if (presentation_->isHidden(slide))
                hiddenSlides_.append(slide);
        } catch (const Failure&) {
            // A flag that cannot be read leaves the slide among those shown.
        }
    }
}

QString PresentationExport::getPresentationTitle() {
    return workerThread::call([this] { return titleOnWorker(); });
}

QString PresentationExport::titleOnWorker() {
    if (!isOpen())
        throw Failure(QStringLiteral("No presentation is open"));
    if (presentation_->slideCount() < 1)
        throw Failure(QStringLiteral("The presentation has no slides"));
    // A first slide without any shape is a valid presentation without a title.
    if (presentation_->shapeCount(1) < 1)
        return {};
    if (presentation_->hasTextFrame(1, 1))
        return oneLine(presentation_->shapeText(1, 1));
    return {};
}

void PresentationExport::closeDocument() {
    workerThread::run([this] { closeDocumentOnWorker(); });
}

void PresentationExport::closeDocumentOnWorker() {
    reader_.reset();
    helpers_.closeDocuments();
    if (presentation_) {
        try {
            presentation_->setSaved();
        } catch (const Failure&) {
        }
        presentation_->close();
        presentation_.reset();
    }
    slideCount_ = 0;
    hiddenSlides_.clear();
    presentationName_.clear();
}

void PresentationExport::closePresentation() {
    // The helpers end beside the first office.
    helpers_.endInBackground();
    workerThread::run([this] {
        closeDocumentOnWorker();
        // Only an office this program started is quit; one the user was running stays.
        if (app_ && appStartedHere_ && app_->startedHere())
            app_->quit();
        app_.reset();
    });
    helpers_.quit();
}

void PresentationExport::exportSlides(ProgressSink& progress) {
    progress.Add(QString());
    progress.Add(QStringLiteral("Converting slides to images..."));

    if (!isOpen())
        throw Failure(QStringLiteral("No presentation is open"));
    const QList<int> sent = fields_.slidesSent();
    const bool allText = fields_.allSlideText;
    const QString format = fields_.imageFormat;
    const QString directory = fields_.workDir;
    const int width = fields_.width;
    const int height = fields_.height;

    // The first office reads the range's texts for the text files while the helpers start
    // drawing: those reads mostly wait for the office's answers, and the drawing keeps the
    // processors busy meanwhile.
    SlideReader* reader = slides();
    exportSlideImages(*presentation_, workerThread::instance(), helpers_,
                      {sent, directory, format, width, height}, progress,
                      [reader, sent, allText] { reader->readAhead(sent, allText); });

    if (progress.cancelRequested())
        throw StoppedByUser();
    progress.Add(QStringLiteral("Creating blank slide"));
    const int blank = slideCount_ + 1;
    workerThread::run([&] {
        try {
            presentation_->addSlide(blank, blankLayout);
            presentation_->exportSlide(blank, directory + QStringLiteral("/blank"), format, width,
                                       height);
        } catch (const Failure&) {
            // Leave the presentation as it was opened, then report the first failure.
            try {
                if (presentation_->slideCount() >= blank)
                    presentation_->deleteSlide(blank);
            } catch (const Failure&) {
            }
            throw;
        }
        presentation_->deleteSlide(blank);
    });
}

SlideReader* PresentationExport::slides() {
    if (!isOpen())
        return nullptr;
    if (!reader_)
        reader_ = std::make_unique<OfficeSlideReader>(*presentation_);
    return reader_.get();
}

bool PresentationExport::isOpen() const {
    return presentation_ && presentation_->isOpen();
}
