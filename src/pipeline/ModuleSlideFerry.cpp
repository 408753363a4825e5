#include "pipeline/ModuleSlideFerry.h"

#include "lecture/LectureRecord.h"
#include "lecture/ProgressSink.h"
#include "pipeline/CodePageCheck.h"
#include "pipeline/Description.h"
#include "pipeline/HiddenSlides.h"
#include "pipeline/SlideText.h"
#include "pipeline/TransferEstimate.h"
#include "pipeline/WorkingFiles.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/NumberText.h"
#include "platform/PrivateFolder.h"
#include "platform/ftp/TransferControl.h"
#include "server/LectureTransfer.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <new>

namespace {
// The export runs without waiting for the server, so nothing would repaint the progress window
// until the upload starts: each line is drawn as it arrives, and the user's input is taken
// then, so that Cancel is seen at the next slide. The front end shows only the progress window
// during a transfer, so it is the only one that takes input.
class PaintingProgress : public ProgressSink {
public:
    explicit PaintingProgress(ProgressSink& window) : window_(window) {}
    void Add(const QString& text) override {
        window_.Add(text);
        QCoreApplication::processEvents();
    }
    bool cancelRequested() const override {
        QCoreApplication::processEvents();
        return window_.cancelRequested();
    }
    void slidesConverted(int done, int slides) override { window_.slidesConverted(done, slides); }

private:
    ProgressSink& window_;
};

// Turns the counts of the export and the upload into one status of the whole transfer, which
// the front end shows as it is.
class EstimatingProgress : public ProgressSink {
public:
    EstimatingProgress(ProgressSink& window, int slides) : window_(window), estimate_(slides) {
        clock_.start();
    }
    void Add(const QString& text) override { window_.Add(text); }
    bool cancelRequested() const override { return window_.cancelRequested(); }
    void slidesConverted(int done, int slides) override {
        (void)slides;
        estimate_.converted(done, clock_.elapsed());
        show();
    }
    void bytesSent(int slide, qint64 sent, qint64 total) override {
        estimate_.sent(slide, sent, total, clock_.elapsed());
        show();
    }

private:
    void show() { window_.showStatus(estimate_.status(clock_.elapsed())); }

    ProgressSink& window_;
    TransferEstimate estimate_;
    QElapsedTimer clock_;
};

// Every file of the transfer is made in a private folder inside the working directory. A
// working directory that is missing, is no folder or takes no folder is reported before any
// slide is converted and anything is sent.
std::unique_ptr<PrivateFolder> privateFolderIn(const QString& dir) {
    if (dir.isEmpty())
        throw Failure(QStringLiteral("No working directory is given")).onThisComputer();
    const QFileInfo info(dir);
    if (!info.exists())
        throw Failure(QStringLiteral("The working directory %1 does not exist").arg(dir))
            .onThisComputer();
    if (!info.isDir())
        throw Failure(QStringLiteral("The working directory %1 is not a folder").arg(dir))
            .onThisComputer();
    auto folder = std::make_unique<PrivateFolder>(dir);
    if (!folder->isValid())
        throw Failure(QStringLiteral("The working directory %1 cannot be written (%2)")
                          .arg(dir, folder->errorString()))
            .onThisComputer();
    return folder;
}

// The lecture's files are made in the run's private folder while the transfer runs; the
// working directory the user chose is the lecture record's again afterwards.
class WorkingIn {
public:
    WorkingIn(LectureRecord& fields, const QString& folder)
        : fields_(fields), chosen_(fields.workDir) {
        fields_.workDir = folder;
    }
    ~WorkingIn() { fields_.workDir = chosen_; }
    WorkingIn(const WorkingIn&) = delete;
    WorkingIn& operator=(const WorkingIn&) = delete;

private:
    LectureRecord& fields_;
    QString chosen_;
};

} // namespace

ModuleSlideFerry::ModuleSlideFerry(LectureRecord& fields, ModuleFtp& ftp, TransferControl& inet)
    : presentation(fields), fields_(fields), ftp_(ftp), inet_(inet) {}

ModuleSlideFerry::~ModuleSlideFerry() = default;

int ModuleSlideFerry::expectedProgressLines(bool appendSlides, bool hiddenLine) const {
    const int slides = int(fields_.slidesSent().size());
    // the hidden slides' line; export: blank line, heading, one per slide, blank slide; fetches:
    // two lines each; upload: blank line, heading, one per slide, description, text file;
    // completion line.
    return (hiddenLine ? 1 : 0) + 2 + slides + 1 + (appendSlides ? 4 : 0) + 2 + slides + 2 + 1;
}

QList<int> ModuleSlideFerry::settleSlidesSent() {
    return ::settleSlidesSent(fields_, presentation.hiddenSlides());
}

QList<int> ModuleSlideFerry::hiddenSlides() const {
    return hiddenInRange(presentation.hiddenSlides(), fields_.firstSlide, fields_.lastSlide);
}

void ModuleSlideFerry::transferLecture(bool appendSlides, ProgressSink& progress,
                                       AfterTransfer after) {
    const QString hiddenLine = hiddenSlidesLine(settleSlidesSent(), fields_.skipHiddenSlides);
    progress.begin(expectedProgressLines(appendSlides, !hiddenLine.isEmpty()));
    if (!hiddenLine.isEmpty())
        progress.Add(hiddenLine);
    EstimatingProgress estimating(progress, int(fields_.slidesSent().size()));
    ftp_.progress = &estimating;
    {
        const auto restore = qScopeGuard([this, &progress] { ftp_.progress = &progress; });
        workFolder_ = privateFolderIn(fields_.workDir);
        const WorkingIn working(fields_, workFolder_->path());
        ftpTransferLecture(ftp_, appendSlides, [this, &estimating](bool append) {
            makeLectureFiles(append, estimating);
        });
    }
    if (after == AfterTransfer::EndSession)
        cleanUp();
    else
        endLecture();
    progress.Add(QStringLiteral("Slide-Ferry complete"));
    progress.finish(lectureSummary());
}

void ModuleSlideFerry::makeLectureFiles(bool appendSlides, ProgressSink& progress) {
    try {
        PaintingProgress painting(progress);
        presentation.exportSlides(painting);
        SlideReader* reader = presentation.slides();
        if (!reader)
            throw Failure(QStringLiteral("The presentation is no longer open")).onThisComputer();
        warnOfLostCharacters(*reader, progress);
        writeSlideText(*reader, fields_, appendSlides, [this] { return ftpFetchSlideText(ftp_); });
        if (painting.cancelRequested())
            throw StoppedByUser();
        writeNotesText(*reader, fields_, appendSlides, [this] { return ftpFetchNotesText(ftp_); });
        writeDescription(fields_);
    } catch (const std::bad_alloc&) {
        throw Failure(QStringLiteral("Not enough memory")).onThisComputer();
    }
}

// The wizard warns of characters the code page cannot hold while the classic text is chosen;
// all the slide text, chosen later, may hold more of them: they are named before it is written.
void ModuleSlideFerry::warnOfLostCharacters(SlideReader& reader, ProgressSink& progress) const {
    if (!fields_.allSlideText)
        return;
    const QString warning =
        codePageWarning({}, charactersLostInSlides(reader, fields_.slidesSent(), true));
    if (!warning.isEmpty())
        progress.Add(warning);
}

QString ModuleSlideFerry::lectureSummary() const {
    const int sent = int(fields_.slidesSent().size());
    const int total = ftp_.slideOffset + sent;
    QString text = QStringLiteral("The lecture is in class %1 on %2, in the directory ~/lumora/%3")
                       .arg(fields_.className, fields_.host, ftp_.lectureDir);
    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    text += QStringLiteral(": %1 %2").arg(sent).arg(sent == 1 ? QStringLiteral("slide")
                                                              : QStringLiteral("slides"));
    if (ftp_.slideOffset > 0)
        text += QStringLiteral(" added after %1 (%2 in all)").arg(ftp_.slideOffset).arg(total);
    return text + QLatin1Char('.');
}

void ModuleSlideFerry::endLecture() {
    presentation.closeDocument();
    // Only the run's own folder is cleaned up and removed: the working directory may be shared
    // with other runs and other users, whose files are theirs.
    if (workFolder_) {
        deleteWorkingFiles(workFolder_->path(), fields_.imageFormat);
        workFolder_.reset();
    }
}

void ModuleSlideFerry::cleanUp() {
    endLecture();
    presentation.closePresentation();
    try {
        inet_.Execute(inet_.URL, FtpOperation::close());
    } catch (const Failure&) {
        // A connection that was never made has nothing to close.
    }
}
