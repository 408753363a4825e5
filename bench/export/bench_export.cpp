// Times the export of every slide of a presentation at 1000 x 700 GIF through the program's
// export, with 1, 2 and N office processes (N: what the program uses on this machine; the
// per-slide figure is the export's time over the slides and the blank one), and the usual
// command-line
// route for the same result: the office converts the file to PDF, then pdftoppm renders each
// page as a PNG of the same pixel size.
//
// Usage: bench_export [presentation.ppt]   (default: the 68-slide test presentation)

#include "lecture/LectureRecord.h"
#include "lecture/ProgressSink.h"
#include "pipeline/HelperOffices.h"
#include "pipeline/PresentationExport.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Records when each progress line arrives, so that each slide's export can be timed.
class TimedProgress : public ProgressSink {
public:
    explicit TimedProgress(QElapsedTimer& clock) : clock_(clock) {}
    void Add(const QString& text) override { lines.push_back({text, clock_.nsecsElapsed()}); }
    struct Line {
        QString text;
        qint64 at;
    };
    std::vector<Line> lines;

private:
    QElapsedTimer& clock_;
};

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

// Runs a command to its end; returns its wall time in ns, or -1 when it failed.
qint64 timed(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAll().constData());
        return -1;
    }
    return clock.nsecsElapsed();
}

int countFiles(const QString& dir, const QString& pattern) {
    return int(QDir(dir).entryList({pattern}, QDir::Files).size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral(SF_PRESENTATIONS_DIR "/long-68-slides.ppt");
    constexpr int width = 1000;
    constexpr int height = 700;

    QTemporaryDir work;
    const QString presentationPath = work.filePath(QFileInfo(source).fileName());
    if (!QFile::copy(source, presentationPath)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
        return 1;
    }
    QDir().mkpath(work.filePath("images"));
    QDir().mkpath(work.filePath("pdf"));

    // A pipe of its own, so that the bench never meets a running program's office; its office
    // keeps its profile between runs, as the program's own does.
    office::setPipeName(QStringLiteral("slideferry_bench"));

    // The program's route, with 1, 2 and as many office processes as the program uses here.
    std::vector<int> counts{1, 2, HelperOffices::defaultProcesses()};
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    std::printf("Presentation: %s, %dx%d GIF\n", qPrintable(QFileInfo(source).fileName()), width,
                height);
    std::printf("\nProgram route (GIF through the running offices):\n");
    std::printf("  offices  start+open ms  helpers ready ms  export ms  per slide ms  quit ms\n");
    for (int processes : counts) {
        QDir(work.filePath("images")).removeRecursively();
        QDir().mkpath(work.filePath("images"));
        LectureRecord fields;
        fields.workDir = work.filePath("images");
        fields.imageFormat = QStringLiteral("GIF");
        fields.width = width;
        fields.height = height;
        PresentationExport presentation(fields);
        presentation.setOfficeProcesses(processes);
        QElapsedTimer clock;
        clock.start();
        const OpenOutcome outcome = presentation.openPresentation(presentationPath);
        const qint64 opened = clock.nsecsElapsed();
        if (!outcome.isOpen()) {
            std::fprintf(stderr, "cannot open: %s\n", qPrintable(outcome.reason));
            return 1;
        }
        // The helpers start while the user fills in the lecture: timed apart from the export.
        const int helpers = presentation.readyHelpers();
        const qint64 ready = clock.nsecsElapsed();
        const int slides = presentation.slideCount();
        fields.firstSlide = 1;
        fields.lastSlide = slides;
        TimedProgress progress(clock);
        try {
            presentation.exportSlides(progress);
        } catch (const Failure& e) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(e.description()));
            return 1;
        }
        const qint64 exported = clock.nsecsElapsed();
        presentation.closePresentation();
        const qint64 closed = clock.nsecsElapsed();
        const QImage first(work.filePath("images/Slide1.GIF"));
        std::printf("  %d (%d ready)  %13.1f  %16.1f  %9.1f  %12.1f  %7.1f   %d GIF, %dx%d\n",
                    processes, helpers + 1, ms(opened), ms(ready - opened), ms(exported - ready),
                    ms(exported - ready) / double(slides + 1), ms(closed - exported),
                    countFiles(work.filePath("images"), "*.GIF"), first.width(), first.height());
    }

    // The command-line route, with a profile of its own; a first run sets the profile up, so
    // that the timed run compares like with like (the program's office profile persists too).
    QTemporaryDir profile;
    const QStringList convert = {QStringLiteral("-env:UserInstallation=file://") + profile.path(),
                                 QStringLiteral("--headless"),
                                 QStringLiteral("--norestore"),
                                 QStringLiteral("--convert-to"),
                                 QStringLiteral("pdf"),
                                 QStringLiteral("--outdir"),
                                 work.filePath("pdf"),
                                 presentationPath};
    const qint64 coldPdf = timed(QStringLiteral("soffice"), convert);
    const qint64 pdf = timed(QStringLiteral("soffice"), convert);
    const QString pdfPath =
        work.filePath("pdf/" + QFileInfo(presentationPath).completeBaseName() + ".pdf");
    const qint64 png = timed(QStringLiteral("pdftoppm"),
                             {QStringLiteral("-scale-to-x"), QString::number(width),
                              QStringLiteral("-scale-to-y"), QString::number(height),
                              QStringLiteral("-png"), pdfPath, work.filePath("pdf/page")});
    if (coldPdf < 0 || pdf < 0 || png < 0)
        return 1;
    const QStringList pages =
        QDir(work.filePath("pdf")).entryList({"page*.png"}, QDir::Files, QDir::Name);
    const QImage page(pages.isEmpty() ? QString() : work.filePath("pdf/" + pages.first()));
    std::printf("\nCommand-line route (soffice --convert-to pdf, then pdftoppm -png):\n");
    std::printf("  convert to PDF (first run, new profile) %8.1f ms\n", ms(coldPdf));
    std::printf("  convert to PDF           %8.1f ms\n", ms(pdf));
    std::printf("  pdftoppm                 %8.1f ms (%.1f ms per page)\n", ms(png),
                ms(png) / double(std::max<qsizetype>(1, pages.size())));
    std::printf("  total                    %8.1f ms\n", ms(pdf + png));
    std::printf("  files: %d PNG, first %dx%d\n", int(pages.size()), page.width(), page.height());
    return 0;
}
