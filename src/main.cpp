#include "platform/ProcessSetup.h"
#include "platform/StopSignals.h"
#include "platform/Terminal.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>

namespace {
const QString kCommand = QStringLiteral("slide-ferry");

// The command line that --help describes; help2man turns the same text into the manual page.
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version number and exit.")};

    CommandLine() {
        parser.setApplicationDescription(QStringLiteral(
            "Turn a slide presentation into a lecture on a Lumora server.\n\n"
            "A wizard asks for the server, a Lumora and a Corvane account, the presentation,\n"
            "the class, date, session and title of the lecture. On Finish it exports every\n"
            "slide of the chosen range as an image, writes the slide text and a description,\n"
            "and uploads them into the lecture's directory (the speaker notes are not\n"
            "uploaded): by FTP, encrypted with TLS when the server offers it, or by SFTP\n"
            "over SSH for a server given as sftp://HOST[:PORT]."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("The presentation (.ppt, .pptx) to choose on "
                                                    "the PowerPoint File page: the page opens in "
                                                    "its folder with the file selected."),
                                     QStringLiteral("[FILE]"));
    }

    // Without an application object the parser cannot know the program's name.
    QString helpText() const {
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), kCommand);
        return text;
    }
};

void print(FILE* stream, const QString& text) {
    terminal::write(stream, text);
}

// SIGTERM or SIGHUP (the session ends) or SIGINT: the wizard ends as Cancel ends it, without
// asking, since nobody may be there to answer. A transfer under way is stopped at its next step
// and undone first, as its own Cancel does.
void endOnSignal(FrmMain& wizard, int signal) {
    messages::setSink([](const QString& text, const QString&) {
        print(stderr, kCommand + QStringLiteral(": ") + text + QLatin1Char('\n'));
    });
    messages::setPasswordSink([](const QString&, QString&) { return false; });
    print(stderr, kCommand + QStringLiteral(": ") + stopSignals::name(signal) +
                      QStringLiteral(" received: ending\n"));
    FrmProgress& progress = wizard.frmProgress();
    if (progress.transferRunning()) {
        progress.requestCancel();
        // A dialog the transfer waits on (a certificate to trust) is turned down.
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
        return;
    }
    // "Quit Slide-Ferry? What you entered is lost." is answered yes.
    messages::setQuestionSink([](const QString&, const QString&) { return true; });
    wizard.Cancel_Click();
}

QStringList rawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}
} // namespace

int main(int argc, char** argv) {
    // Before the application object reads the command line: file names in UTF-8 also under
    // LC_ALL=C.
    processSetup::useUtf8Locale();
    // The wizard holds the passwords typed into it.
    processSetup::forbidCoreDumps();
    // A signal from here on is kept until the event loop runs.
    stopSignals::install();

    // --help and --version answer before the application object exists, so that they work
    // without a display (help2man runs them at build time).
    {
        CommandLine early;
        early.parser.parse(rawArguments(argc, argv));
        if (early.parser.isSet(early.help)) {
            print(stdout, early.helpText());
            return 0;
        }
        if (early.parser.isSet(early.version)) {
            print(stdout, kCommand + QStringLiteral(" " SF_VERSION "\n"));
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slide-Ferry"));
    QApplication::setApplicationVersion(QStringLiteral(SF_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(SF_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SF_APP_ID)));

    // Parsed again without the options Qt itself took (such as -platform or -style).
    CommandLine line;
    if (!line.parser.parse(QApplication::arguments())) {
        print(stderr, kCommand + QStringLiteral(": ") + line.parser.errorText() +
                          QStringLiteral("\nTry '") + kCommand +
                          QStringLiteral(" --help' for more information.\n"));
        return 2;
    }
    const QStringList files = line.parser.positionalArguments();
    if (files.size() > 1) {
        print(stderr, kCommand + QStringLiteral(": only one FILE can be given\n"));
        return 2;
    }
    QString file;
    if (!files.isEmpty()) {
        const QFileInfo info(files.first());
        if (!info.isFile()) {
            print(stderr, kCommand + QStringLiteral(": ") + files.first() +
                              QStringLiteral(": no such file\n"));
            return 1;
        }
        file = info.absoluteFilePath();
    }

    FrmMain wizard;
    wizard.setCommandLineFile(file);
    wizard.show();
    stopSignals::whenReceived(&wizard, [&wizard](int signal) { endOnSignal(wizard, signal); });
    return QApplication::exec();
}
