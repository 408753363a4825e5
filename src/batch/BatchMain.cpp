// slide-ferry-batch: lectures from presentations without a window, on the same core as the
// wizard.
#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "platform/SettingsStore.h"
#include "platform/Terminal.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

namespace {
const char* const kCommand = "slide-ferry-batch";

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl-C stops the run at its next step, cleaning up as every end does; a second one
// ends the program at once.
void onInterrupt(int) {
    interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

int usageError(const QString& message) {
    print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                      .arg(QLatin1String(kCommand), message));
    return 2;
}

// A password from its environment variable, else typed on the terminal; false when neither.
bool password(const char* variable, const QString& prompt, QString& value) {
    if (qEnvironmentVariableIsSet(variable)) {
        value = qEnvironmentVariable(variable);
        return true;
    }
    return terminal::readSecret(prompt, value);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Slide-Ferry"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SF_VERSION));

    BatchOptions options;
    try {
        options = parseBatchOptions(QCoreApplication::arguments().mid(1),
                                    [](const QString& key, const QString& defaultValue) {
                                        return settingsStore::read(settingsStore::kProgramName,
                                                                   settingsStore::kChoicesSection,
                                                                   key, defaultValue);
                                    });
    } catch (const UsageError& e) {
        return usageError(e.message);
    }
    if (options.help) {
        print(stdout, batchHelpText());
        return 0;
    }
    if (options.version) {
        print(stdout, QStringLiteral("%1 " SF_VERSION "\n").arg(QLatin1String(kCommand)));
        return 0;
    }

    LectureRecord& lecture = options.lecture;
    if (!password("SLIDE_FERRY_CORVANE_PASSWORD",
                  QStringLiteral("Corvane password for %1: ").arg(lecture.corvaneId),
                  lecture.corvanePassword))
        return usageError(QStringLiteral("no Corvane password: set SLIDE_FERRY_CORVANE_PASSWORD "
                                         "or run on a terminal"));
    if (!password("SLIDE_FERRY_LUMORA_PASSWORD",
                  QStringLiteral("Lumora password for %1: ").arg(lecture.lumoraId),
                  lecture.lumoraPassword))
        return usageError(QStringLiteral("no Lumora password: set SLIDE_FERRY_LUMORA_PASSWORD or "
                                         "run on a terminal"));

    // For protected presentations; never from an argument, never stored.
    options.presentationPassword = qEnvironmentVariable("SLIDE_FERRY_PRESENTATION_PASSWORD");

    std::signal(SIGINT, onInterrupt);
    BatchRun run(options, [] { return interrupted != 0; });
    return run.run();
}
