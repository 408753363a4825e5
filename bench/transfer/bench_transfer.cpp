// Times one whole lecture transfer of a presentation (default: the 68-slide test presentation)
// at 1000 x 700 GIF to a local Lumora server that the bench starts (tools/lumora_server.py), in
// one run, three ways:
//
// 1. the program's steps called one after the other, each timed on its own: office start and
//    open, image export, slide-text and notes-text files, description, connection and lecture
//    lookup, upload, clean-up;
// 2. the program's transfer driver (ModuleSlideFerry::transferLecture with its progress window),
//    the way Finish runs it, timed by the arrival of its progress lines; a cross-check that the
//    single steps add up to what the program really does;
// 3. the usual command-line route (commandline.sh beside this file): soffice --convert-to pdf,
//    pdftoppm to PNG, pdftotext for the slide text, printf for the description and one curl
//    process per uploaded file.
//
// Every route's lecture is checked on the server afterwards (file count, image size, slide
// elements of extract.stml).
//
// Usage: bench_transfer [presentation] [--runs N] [--no-driver] [--no-commandline]
// With --runs the routes take turns N times and each figure is the median of the runs.

#include "BenchLecture.h"
#include "RouteReport.h"
#include "lecture/LectureRecord.h"
#include "pipeline/CodePageCheck.h"
#include "pipeline/Description.h"
#include "pipeline/ModuleSlideFerry.h"
#include "pipeline/PresentationExport.h"
#include "pipeline/SlideText.h"
#include "pipeline/WorkingFiles.h"
#include "platform/Failure.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/TransferControl.h"
#include "platform/office/Office.h"
#include "server/LectureDirectory.h"
#include "server/LectureOpening.h"
#include "server/LectureUpload.h"
#include "server/ModuleFtp.h"
#include "support/LumoraServer.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

// Stops at every lap and names the time since the previous one.
class Laps {
public:
    Laps() { clock_.start(); }
    void lap(Route& route, const QString& name) {
        const qint64 now = clock_.nsecsElapsed();
        route.phases.push_back({name, double(now - last_) / 1e9});
        last_ = now;
    }
    void restart() { last_ = clock_.nsecsElapsed(); }

private:
    QElapsedTimer clock_;
    qint64 last_ = 0;
};

class QuietProgress : public ProgressSink {
public:
    void Add(const QString&) override {}
};

// A failure that ended a route: the message the program would have shown, or the raised error.
struct RouteFailed {
    QString why;
};

// The program's steps one after the other, each timed.

// What the wizard's pages do before Finish: the connection test and the lecture lookup.
void connectAndFindLecture(ModuleFtp& ftp) {
    if (!ftp.ftpConnect())
        throw RouteFailed{QStringLiteral("cannot connect")};
    bool append = false;
    if (!ftpFindLecture(ftp, append))
        throw RouteFailed{QStringLiteral("the lecture exists already")};
}

Route runSteps(const LumoraServer& server, const QString& presentationPath, const QString& work,
               int session, int& slides) {
    Route route(QStringLiteral("program, step by step"));
    LectureRecord fields = lectureFields(server, work, QString::number(session));
    TransferControl inet;
    ModuleFtp ftp(inet, fields);
    PresentationExport presentation(fields);
    QuietProgress progress;
    ftp.progress = &progress;
    Laps laps;

    const OpenOutcome outcome = presentation.openPresentation(presentationPath);
    if (!outcome.isOpen())
        throw RouteFailed{QStringLiteral("cannot open: ") + outcome.reason};
    slides = presentation.slideCount();
    fields.lastSlide = slides;
    laps.lap(route, QStringLiteral("office start + open"));
    // What Next on the file page costs once the office was started in the background.
    {
        QElapsedTimer warm;
        warm.start();
        presentation.openPresentation(presentationPath);
        route.warmOpenSeconds = double(warm.nsecsElapsed()) / 1e9;
        // The helper offices start and open it while the user fills in the lecture.
        presentation.readyHelpers();
        route.helpersReadySeconds = double(warm.nsecsElapsed()) / 1e9 - route.warmOpenSeconds;
        // Next on the file page checks the texts' characters too. It reads what the text files
        // need, so it is timed here and the presentation opened once more: the steps below must
        // read the texts themselves.
        warm.restart();
        charactersLostInSlides(*presentation.slides(), slides);
        route.codePageCheckSeconds = double(warm.nsecsElapsed()) / 1e9;
        presentation.openPresentation(presentationPath);
        presentation.readyHelpers();
        laps.restart();
    }

    presentation.exportSlides(progress);
    laps.lap(route, QStringLiteral("export (slides + blank)"));

    const FetchFn noFetch = [] { return false; };
    writeSlideText(*presentation.slides(), fields, false, noFetch);
    writeNotesText(*presentation.slides(), fields, false, noFetch);
    laps.lap(route, QStringLiteral("text files"));

    writeDescription(fields);
    laps.lap(route, QStringLiteral("description"));

    // In the program the connection and the lookup happen on the wizard's pages, before Finish.
    connectAndFindLecture(ftp);
    laps.lap(route, QStringLiteral("connect + lecture lookup"));

    // Finish opens the lecture (its lock, and a new lecture's directory claimed), sends it and
    // gives the lock back.
    bool append = false;
    ftpOpenLecture(ftp, append);
    ftpUploadLecture(ftp);
    ftpCloseLecture(ftp);
    laps.lap(route, QStringLiteral("upload"));

    presentation.closePresentation();
    deleteWorkingFiles(fields.workDir, fields.imageFormat);
    inet.Execute(inet.URL, FtpOperation::close());
    laps.lap(route, QStringLiteral("close + clean-up"));

    route.check = checkLecture(server, lectureName(session), "gif", slides, true);
    return route;
}

// The program's transfer driver as Finish runs it; phases from the arrival of progress lines.
// Measures how long the event loop goes without turning, from construction to destruction: a
// gap is what a user sees as a frozen window.
class EventLoopGaps {
public:
    explicit EventLoopGaps(double& largestMs) : largestMs_(largestMs) {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { note(); });
        timer_.start(1);
    }
    ~EventLoopGaps() { note(); }

private:
    void note() { largestMs_ = std::max(largestMs_, static_cast<double>(clock_.restart())); }
    double& largestMs_;
    QElapsedTimer clock_;
    QTimer timer_;
};

Route runDriver(const LumoraServer& server, const QString& presentationPath, const QString& work,
                int session) {
    Route route(QStringLiteral("program, transfer driver"));
    const EventLoopGaps gaps(route.largestGapMs);
    LectureRecord fields = lectureFields(server, work, QString::number(session));
    TransferControl inet;
    ModuleFtp ftp(inet, fields);
    ModuleSlideFerry slideFerry(fields, ftp, inet);
    FrmProgress progress;
    Laps laps;

    const OpenOutcome outcome = slideFerry.presentation.openPresentation(presentationPath);
    const int slides = slideFerry.presentation.slideCount();
    if (!outcome.isOpen())
        throw RouteFailed{QStringLiteral("cannot open: ") + outcome.reason};
    fields.lastSlide = slides;
    laps.lap(route, QStringLiteral("office start + open"));
    connectAndFindLecture(ftp);
    laps.lap(route, QStringLiteral("connect + lecture lookup"));

    // Each line's arrival marks a phase boundary.
    auto* list = progress.findChild<QListWidget*>(QStringLiteral("Progress"));
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [&](const QModelIndex&, int first, int) {
                         const QString line = list->model()->index(first, 0).data().toString();
                         const bool uploadStarts = line.isEmpty() && list->count() > 2;
                         if (line == QLatin1String("Creating blank slide"))
                             laps.lap(route, QStringLiteral("export (slides)"));
                         else if (uploadStarts)
                             laps.lap(route, QStringLiteral("blank + text files + description"));
                     });
    laps.restart();
    try {
        slideFerry.transferLecture(false, progress);
    } catch (const Failure& f) {
        slideFerry.cleanUp();
        throw RouteFailed{f.description()};
    }
    laps.lap(route, QStringLiteral("upload + close + clean-up"));
    if (list->count() == 0 || list->item(list->count() - 1)->text() != "Slide-Ferry complete")
        throw RouteFailed{QStringLiteral("the transfer did not complete")};

    route.check = checkLecture(server, lectureName(session), "gif", slides, true);
    return route;
}

// The command-line route: commandline.sh, whose phases are read from its output.
Route runCommandLine(const LumoraServer& server, const QString& presentationPath,
                     const QString& work, int session, int slides) {
    Route route(QStringLiteral("command line"));
    const QString url = QStringLiteral("ftp://%1/lumora/classes/%2/%3/")
                            .arg(server.host(), className, lectureName(session));
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral("bash"),
                 {QStringLiteral(SF_BENCH_DIR "/commandline.sh"), presentationPath, work + "/files",
                  work + "/profile", url, server.user() + ":" + server.password(),
                  QStringLiteral("Bench lecture"), QStringLiteral("alice")});
    if (!script.waitForFinished(1200000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0)
        throw RouteFailed{QStringLiteral("commandline.sh failed")};
    const QList<QByteArray> lines = script.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "PHASE")
            route.phases.push_back({QString::fromLatin1(words[1]), words[2].toDouble()});
    }
    route.check = checkLecture(server, lectureName(session), "png", slides, false);
    return route;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QString source = QStringLiteral(SF_PRESENTATIONS_DIR "/long-68-slides.ppt");
    bool withDriver = true;
    bool withCommandLine = true;
    int runs = 5;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        bool ok = true;
        if (arg == QLatin1String("--no-driver"))
            withDriver = false;
        else if (arg == QLatin1String("--no-commandline"))
            withCommandLine = false;
        else if (arg == QLatin1String("--runs") && i + 1 < args.size())
            runs = args[++i].toInt(&ok);
        else if (arg.startsWith(QLatin1String("-")))
            ok = false;
        else
            source = arg;
        if (!ok || runs < 1 || runs > 100) {
            std::fprintf(stderr, "usage: bench_transfer [presentation] [--runs N (1-100)] "
                                 "[--no-driver] [--no-commandline]\n");
            return 2;
        }
    }

    // Messages and the program's end are recorded: a failure ends the route, not the bench.
    QStringList shown;
    messages::setSink([&](const QString& text, const QString&) { shown << text; });
    programEnd::setHandler([] {});
    // A pipe of its own, so that the bench never meets a running program's office; its office
    // keeps its profile between runs, as the program's own does.
    office::setPipeName(QStringLiteral("slideferry_bench"));

    QTemporaryDir work;
    const QString presentationPath = work.filePath(QFileInfo(source).fileName());
    if (!QFile::copy(source, presentationPath)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
        return 1;
    }

    // The program's offices keep their profile: made here by a first start of its own (timed
    // apart, as the command line's first run with a new profile is), in a cache of the bench's.
    qputenv("XDG_CACHE_HOME", work.filePath("cache").toUtf8());
    double firstStartSeconds = 0;
    {
        QElapsedTimer first;
        first.start();
        office::Application::start()->quit();
        firstStartSeconds = double(first.nsecsElapsed()) / 1e9;
    }

    LumoraServer server;
    if (!server.start() || !server.makeDir("lumora/classes/" + className)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return 1;
    }

    // Runs of each route, in the order steps, driver, command line; the routes take turns, so
    // that a change in the machine's load meets all of them alike.
    std::vector<Route> steps, driver, cli;
    int slides = 0;
    bool failed = false;
    const auto attempt = [&](std::vector<Route>& into, const char* name,
                             const std::function<Route()>& run) {
        try {
            into.push_back(run());
            return;
        } catch (const RouteFailed& e) {
            std::fprintf(stderr, "%s: %s\n", name, qPrintable(e.why));
        } catch (const Failure& e) {
            std::fprintf(stderr, "%s: %s\n", name, qPrintable(e.description()));
        } catch (const programEnd::ProgramEnded&) {
            std::fprintf(stderr, "%s: the program ended\n", name);
        }
        for (const QString& text : shown)
            std::fprintf(stderr, "  message: %s\n", qPrintable(text));
        shown.clear();
        failed = true;
    };

    for (int run = 0; run < runs && !failed; ++run) {
        const int session = 3 * run + 1;
        const QString dir = work.filePath(QStringLiteral("run%1").arg(run + 1));
        for (const char* sub : {"/steps", "/driver"})
            QDir().mkpath(dir + sub);
        attempt(steps, "program, step by step", [&] {
            return runSteps(server, presentationPath, dir + "/steps", session, slides);
        });
        if (withDriver && !failed)
            attempt(driver, "program, transfer driver", [&] {
                return runDriver(server, presentationPath, dir + "/driver", session + 1);
            });
        if (withCommandLine && !failed)
            attempt(cli, "command line", [&] {
                return runCommandLine(server, presentationPath, dir + "/commandline", session + 2,
                                      slides);
            });
    }
    server.stop();

    std::printf("Presentation: %s, %d slides, %dx%d, local Lumora server %s, %d run%s%s\n",
                qPrintable(QFileInfo(source).fileName()), slides, width, height,
                qPrintable(server.host()), runs, runs > 1 ? "s" : "",
                runs > 1 ? " (median, min-max)" : "");
    for (const std::vector<Route>* route : {&steps, &driver, &cli}) {
        if (route->empty())
            continue;
        printRoute(*route);
        for (const Route& r : *route)
            failed = failed || !r.check.isEmpty();
    }

    if (!steps.empty()) {
        std::printf("  open with the office already running (Next on the file page after the "
                    "background start): %s s\n",
                    qPrintable(cellOf(steps, &Route::warmOpenSeconds)));
        std::printf("  the code-page check of the slide texts that follows it (Next on the file "
                    "page): %s s\n",
                    qPrintable(cellOf(steps, &Route::codePageCheckSeconds)));
        std::printf("  helper offices ready after that open (while the user fills in the "
                    "lecture; not in the total): %s s\n",
                    qPrintable(cellOf(steps, &Route::helpersReadySeconds)));
    }
    if (!driver.empty()) {
        double worst = 0;
        for (const Route& r : driver)
            worst = std::max(worst, r.largestGapMs);
        std::printf("  largest event-loop gap of the transfer driver's run: %s ms, %.0f ms in the "
                    "worst run (goal: under 100 ms)\n",
                    qPrintable(cellOf(driver, &Route::largestGapMs)), worst);
    }

    // Side by side: the program's steps against the command line, row by row (medians of the
    // runs' rows, so that the total is the median total, not a sum of medians).
    const size_t paired = std::min(steps.size(), cli.size());
    if (paired > 0) {
        std::vector<std::vector<Row>> perRun;
        for (size_t i = 0; i < paired; ++i)
            perRun.push_back(sideBySide(steps[i], cli[i]));
        std::printf("\nSide by side (seconds)         program  command line\n");
        for (size_t row = 0; row < perRun.front().size(); ++row) {
            std::vector<std::optional<double>> program, commandLine;
            for (const std::vector<Row>& rows : perRun) {
                program.push_back(rows[row].program);
                commandLine.push_back(rows[row].commandLine);
            }
            std::printf("  %-28s %7s  %7s\n", perRun.front()[row].name, qPrintable(cell(program)),
                        qPrintable(cell(commandLine)));
        }
        std::vector<std::optional<double>> setup;
        for (const Route& r : cli)
            setup.push_back(r.phase("profile-setup"));
        std::printf("  images: program %d GIF + blank GIF; command line %d PNG, no blank image\n",
                    slides, slides);
        std::vector<double> ratios;
        for (const std::vector<Row>& rows : perRun)
            if (rows.back().program && rows.back().commandLine && *rows.back().commandLine > 0)
                ratios.push_back(*rows.back().program / *rows.back().commandLine);
        if (!ratios.empty()) {
            const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
            std::printf("  ratio of the totals, program / command line: %.2f (%.2f-%.2f; goal: "
                        "at most 0.4)\n",
                        median(ratios), *low, *high);
        }
        std::printf("  both keep their office profile: the first start that made it took %.3f s "
                    "for the program and %s s for the command line, in neither total\n",
                    firstStartSeconds, qPrintable(cell(setup)));
        if (!driver.empty()) {
            std::vector<std::optional<double>> totals;
            for (const Route& r : driver)
                totals.push_back(r.total());
            std::printf("  transfer driver, whole run (cross-check of the steps): %s s\n",
                        qPrintable(cell(totals)));
        }
    }
    return failed ? 1 : 0;
}
