#include "pipeline/ModuleSlideFerry.h"

#include "lecture/LectureRecord.h"
#include "lecture/ProgressSink.h"
#include "pipeline/Description.h"
#include "pipeline/SlideText.h"
#include "pipeline/WorkingFiles.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/NumberText.h"
#include "platform/ftp/TransferControl.h"
#include "server/LectureTransfer.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryFile>
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

private:
    ProgressSink& window_;
};

// Every file of the transfer is made in the working directory. One that is missing, is no
// folder or takes no files is reported before any slide is converted and anything is sent.
void checkWorkingDirectory(const QString& dir) {
    if (dir.isEmpty())
        throw Failure(QStringLiteral("No working directory is given"));
    const QFileInfo info(dir);
    if (!info.exists())
        throw Failure(QStringLiteral("The working directory %1 does not exist").arg(dir));
    if (!info.isDir())
        throw Failure(QStringLiteral("The working directory %1 is not a folder").arg(dir));
    QTemporaryFile probe(fileSystem::joinPath(dir, QStringLiteral(".slide-ferry-XXXXXX")));
    if (!probe.open())
        throw Failure(QStringLiteral("The working directory %1 cannot be written (%2)")
                          .arg(dir, probe.errorString()));
}

} // namespace

ModuleSlideFerry::ModuleSlideFerry(LectureRecord& fields, ModuleFtp& ftp, TransferControl& inet)
    : presentation(fields), fields_(fields), ftp_(ftp), inet_(inet) {}

void ModuleSlideFerry::forgetPresentationApp() {
    presentation.hasApp = false;
}

int ModuleSlideFerry::expectedProgressLines(bool appendSlides) const {
    const int first = numberText::leadingInt16(fields_.firstSlide);
    const int last = numberText::leadingInt16(fields_.lastSlide);
    const int slides = std::max(0, last - first + 1);
    // export: blank line, heading, one per slide, blank slide; fetches: two lines each;
    // upload: blank line, heading, one per slide, description, text file; completion line.
    return 2 + slides + 1 + (appendSlides ? 4 : 0) + 2 + slides + 2 + 1;
}

void ModuleSlideFerry::transferLecture(bool appendSlides, ProgressSink& progress,
                                       AfterTransfer after) {
    progress.begin(expectedProgressLines(appendSlides));
    ftp_.progress = &progress;
    checkWorkingDirectory(fields_.workDir);
    ftpTransferLecture(ftp_, appendSlides,
                       [this, &progress](bool append) { makeLectureFiles(append, progress); });
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
            throw Failure(QStringLiteral("The presentation is no longer open"));
        writeSlideText(*reader, fields_, appendSlides, [this] { return ftpFetchSlideText(ftp_); });
        if (painting.cancelRequested())
            throw StoppedByUser();
        writeNotesText(*reader, fields_, appendSlides, [this] { return ftpFetchNotesText(ftp_); });
        writeDescription(fields_);
    } catch (const std::bad_alloc&) {
        throw Failure(QStringLiteral("Not enough memory"));
    }
}

QString ModuleSlideFerry::lectureSummary() const {
    const int first = numberText::leadingInt16(fields_.firstSlide);
    const int last = numberText::leadingInt16(fields_.lastSlide);
    const int sent = std::max(0, last - first + 1);
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
    deleteWorkingFiles(fields_.workDir, fields_.imageFormat);
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
