// Writes a picture of every wizard page and of the other windows into a folder, each in the
// state a user meets it during a demo walk: a local demo server is started, the wizard is
// driven through its pages with the demo accounts and a sample presentation (with the real
// office), and the lecture is transferred to that server. The names are numbered in the order
// of the walk (00-start.png, 01-lumora-info.png, ...). bash tools/wizard-pictures writes them
// into docs/screenshots, where the README and the metainfo show them.
//   QT_QPA_PLATFORM=offscreen build/tools/wizard-pictures OUTDIR
#include "lecture/LectureRecord.h"
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "server/LectureDirectory.h"
#include "server/LectureFacts.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmHelp.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"
#include "wizard/FrmMain.h"
#include "wizard/WizardPage.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

const char* const usage = "usage: wizard-pictures OUTDIR\n"
                          "Writes PNG pictures of the wizard's pages and windows into OUTDIR,\n"
                          "taken during a walk through the wizard against a local demo server.\n"
                          "Run it without a display with QT_QPA_PLATFORM=offscreen.\n";

bool save(QWidget& w, const QDir& out, const QString& name) {
    QApplication::processEvents();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The demo Lumora server on a free loopback port, stopped with the object.
class DemoServer {
public:
    explicit DemoServer(const QString& root) {
        process_.setProgram(QStringLiteral("/usr/bin/python3"));
        process_.setArguments(
            {QStringLiteral(SF_TOOLS_DIR "/lumora_server.py"), QStringLiteral("--root"), root,
             QStringLiteral("--seed"), QStringLiteral("demo"), QStringLiteral("--port"),
             QStringLiteral("0"), QStringLiteral("--user"), QStringLiteral("corvane"),
             QStringLiteral("--password"), QStringLiteral("secret")});
        process_.start();
        static const QRegularExpression portLine(QStringLiteral("^PORT (\\d+)"),
                                                 QRegularExpression::MultilineOption);
        QByteArray out;
        while (port_.isEmpty() && process_.waitForReadyRead(20000)) {
            out += process_.readAllStandardOutput();
            const auto m = portLine.match(QString::fromUtf8(out));
            if (m.hasMatch())
                port_ = m.captured(1);
        }
    }
    ~DemoServer() {
        process_.kill();
        process_.waitForFinished();
    }
    QString host() const { return port_.isEmpty() ? QString() : "127.0.0.1:" + port_; }

private:
    QProcess process_;
    QString port_;
};

bool click(QPushButton* button) {
    if (!button->isEnabled())
        return false;
    button->click();
    QApplication::processEvents();
    return true;
}

// A widget the walk needs and the window does not have: its pictures would show the wrong thing.
struct MissingWidget {
    QString name;
};

// The window's widget of that object name.
template <typename T> T* named(const QWidget& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (found == nullptr)
        throw MissingWidget{name};
    return found;
}

// The wizard shows the page of that object name.
bool showing(const QWidget& wizard, const QString& page) {
    return !named<QWidget>(wizard, page)->isHidden();
}

// The walk through the wizard's pages, a picture at each; false when a step or a picture
// failed.
bool picturePages(FrmMain& wizard, const QDir& out) {
    auto* nextButton = named<QPushButton>(wizard, QStringLiteral("buttonNext"));
    bool ok = save(wizard, out, QStringLiteral("00-start"));

    ok = click(nextButton) && ok;
    named<QLineEdit>(wizard, QStringLiteral("ID"))->setText(QStringLiteral("alice"));
    named<QLineEdit>(wizard, QStringLiteral("Password"))->setText(QStringLiteral("wonder"));
    named<QLineEdit>(wizard, QStringLiteral("CVID"))->setText(QStringLiteral("corvane"));
    named<QLineEdit>(wizard, QStringLiteral("CVPassword"))->setText(QStringLiteral("secret"));
    ok = save(wizard, out, QStringLiteral("01-lumora-info")) && ok;

    ok = click(nextButton) && showing(wizard, QStringLiteral("powerPointFilePage")) && ok;
    auto* fileList = named<QListWidget>(wizard, QStringLiteral("fileList"));
    const auto files =
        fileList->findItems(QStringLiteral("basic_test_ppt_file.ppt"), Qt::MatchExactly);
    if (!files.isEmpty())
        fileList->setCurrentItem(files.first());
    ok = !files.isEmpty() && save(wizard, out, QStringLiteral("02-powerpoint-file")) && ok;

    ok = click(nextButton) && showing(wizard, QStringLiteral("lectureInfoPage")) && ok;
    named<QComboBox>(wizard, QStringLiteral("Classes"))
        ->setCurrentText(QStringLiteral("cs101fall26"));
    ok = save(wizard, out, QStringLiteral("03-lecture-info")) && ok;

    ok = click(nextButton) && showing(wizard, QStringLiteral("advancedPage")) && ok;
    ok = save(wizard, out, QStringLiteral("04-advanced")) && ok;
    auto* resolution = named<QComboBox>(wizard, QStringLiteral("Resolution"));
    resolution->setCurrentIndex(0);
    named<QLineEdit>(wizard, QStringLiteral("imageWidth"))->setText(QStringLiteral("640"));
    named<QLineEdit>(wizard, QStringLiteral("imageHeight"))->setText(QStringLiteral("480"));
    ok = save(wizard, out, QStringLiteral("04-advanced-custom-size")) && ok;
    resolution->setCurrentText(QStringLiteral("XGA"));

    ok = click(nextButton) && showing(wizard, QStringLiteral("finishPage")) && ok;
    return save(wizard, out, QStringLiteral("05-finish")) && ok;
}

// The other windows: the help, the progress of the transfer that Finish starts, and the dialog
// the next transfer to the same lecture would show.
bool pictureWindows(FrmMain& wizard, const QDir& out, const QString& serverRoot) {
    bool ok = true;
    FrmHelp::showHelp(&wizard);
    if (FrmHelp* help = FrmHelp::existing())
        ok = save(*help, out, QStringLiteral("06-help"));

    // The progress window once mid-transfer (with Cancel), once at the end (with Done).
    FrmProgress& progress = wizard.frmProgress();
    const auto* list = named<QListWidget>(progress, QStringLiteral("Progress"));
    QTimer midway;
    bool midwayShot = false;
    QObject::connect(&midway, &QTimer::timeout, &midway, [&] {
        if (list->count() > 0 && list->item(list->count() - 1)->text().startsWith("FTPing")) {
            midway.stop();
            midwayShot = save(progress, out, QStringLiteral("07-progress-running"));
        }
    });
    midway.start(0);
    named<QPushButton>(wizard, QStringLiteral("Finish"))->click();
    ok = midwayShot && save(progress, out, QStringLiteral("08-progress-done")) && ok;

    // The lecture now exists: the dialog the next transfer to the same day shows, about the
    // lecture the pages describe.
    LectureRecord lecture;
    for (const WizardPage* page : wizard.findChildren<WizardPage*>())
        page->fillLecture(lecture);
    FrmFTPError dialog(lecture, &wizard);
    // What the lecture just sent holds, read from the demo server's tree as the program reads
    // it from the server.
    const QDir sent(serverRoot + QStringLiteral("/lumora/") + lectureDirOf(lecture));
    QFile description(sent.filePath(QStringLiteral("description")));
    ExistingLecture facts = factsFromDescription(
        description.open(QIODevice::ReadOnly) ? description.readAll() : QByteArray());
    facts.slides = static_cast<int>(sent.entryList({QStringLiteral("Slide*")}, QDir::Files).size());
    dialog.showFacts(facts);
    dialog.show();
    ok = save(dialog, out, QStringLiteral("09-lecture-exists")) && ok;
    dialog.hide();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString target = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (target == QLatin1String("--help") || target == QLatin1String("-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 2 || target.isEmpty() || target.startsWith(QLatin1Char('-'))) {
        // A path starting with "-" is most likely a mistyped option, not a folder to create.
        std::fputs(usage, stderr);
        return 2;
    }
    QDir out(target);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "wizard-pictures: cannot create %s\n", qPrintable(target));
        return 1;
    }

    QTemporaryDir work; // settings, server tree, presentations and working files
    settingsStore::useDirectory(work.filePath(QStringLiteral("settings")));
    QDir(work.path()).mkpath(QStringLiteral("talks"));
    QDir(work.path()).mkpath(QStringLiteral("export"));
    // The sample presentations of the demo; the first is the one transferred.
    for (const QString& name :
         {QStringLiteral("basic_test_ppt_file.ppt"), QStringLiteral("SampleShow.pptx")}) {
        const QString sample = QStringLiteral(SF_TESTDATA_DIR "/presentations/") + name;
        if (!QFile::copy(sample, work.filePath(QStringLiteral("talks/") + name))) {
            std::fprintf(stderr, "wizard-pictures: cannot copy %s\n", qPrintable(sample));
            return 1;
        }
    }
    DemoServer server(work.filePath(QStringLiteral("server")));
    if (server.host().isEmpty()) {
        std::fprintf(stderr, "wizard-pictures: the demo server did not start\n");
        return 1;
    }
    const auto setting = [](const char* key, const QString& value) {
        settingsStore::write(QStringLiteral("Slide-Ferry"), QStringLiteral("Settings"),
                             QString::fromLatin1(key), value);
    };
    setting("System", server.host());
    setting("Directory", work.filePath(QStringLiteral("talks")));
    setting("ExportPath", work.filePath(QStringLiteral("export")));

    QStringList shown;
    messages::setSink([&shown](const QString& text, const QString&) { shown << text; });
    messages::setQuestionSink([](const QString&, const QString&) { return false; });
    programEnd::setHandler([] {});

    FrmMain wizard; // at the size it opens with for the user
    wizard.show();
    bool ok = false;
    try {
        ok = picturePages(wizard, out);
        ok = pictureWindows(wizard, out, work.filePath(QStringLiteral("server"))) && ok;
    } catch (const MissingWidget& missing) {
        std::fprintf(stderr, "wizard-pictures: the wizard has no widget named %s\n",
                     qPrintable(missing.name));
    }
    for (const QString& message : std::as_const(shown))
        std::fprintf(stderr, "message: %s\n", qPrintable(message));
    return ok && shown.isEmpty() ? 0 : 1;
}
