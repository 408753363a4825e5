// slide-ferry-batch: lectures from presentations without a window, on the same core as the
// wizard.
#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "platform/ProcessSetup.h"
#include "platform/StopSignals.h"
#include "platform/Terminal.h"

#include <QCoreApplication>
#include <cstdio>
#include <optional>

namespace {
const char* const kCommand = "slide-ferry-batch";

int usageError(const QString& message) {
    terminal::write(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                                .arg(QLatin1String(kCommand), message));
    return 2;
}

// A password from its environment variable (already taken out of the environment), else typed
// on the terminal; false when neither.
bool password(const std::optional<QString>& fromEnvironment, const QString& prompt,
              QString& value) {
    if (fromEnvironment) {
        value = *fromEnvironment;
        return true;
    }
    return terminal::readSecret(prompt, value);
}
} // namespace

int main(int argc, char** argv) {
    // Before the application object reads the command line: file names in UTF-8 also under
    // LC_ALL=C.
    processSetup::useUtf8Locale();
    processSetup::forbidCoreDumps();
    // No child process may inherit the passwords: they leave the environment before anything
    // else runs.
    const std::optional<QString> corvanePassword =
        processSetup::takeSecret("SLIDE_FERRY_CORVANE_PASSWORD");
    const std::optional<QString> lumoraPassword =
        processSetup::takeSecret("SLIDE_FERRY_LUMORA_PASSWORD");
    const std::optional<QString> presentationPassword =
        processSetup::takeSecret("SLIDE_FERRY_PRESENTATION_PASSWORD");

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Slide-Ferry"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SF_VERSION));

    BatchOptions options;
    try {
        options = parseBatchOptions(QCoreApplication::arguments().mid(1), rememberedChoices());
    } catch (const UsageError& e) {
        return usageError(e.message);
    }
    if (options.help) {
        terminal::write(stdout, batchHelpText());
        return 0;
    }
    if (options.version) {
        terminal::write(stdout, QStringLiteral("%1 " SF_VERSION "\n").arg(QLatin1String(kCommand)));
        return 0;
    }

    LectureRecord& lecture = options.lecture;
    if (!password(corvanePassword,
                  QStringLiteral("Corvane password for %1: ").arg(lecture.corvaneId),
                  lecture.corvanePassword))
        return usageError(QStringLiteral("no Corvane password: set SLIDE_FERRY_CORVANE_PASSWORD "
                                         "or run on a terminal"));
    if (!password(lumoraPassword, QStringLiteral("Lumora password for %1: ").arg(lecture.lumoraId),
                  lecture.lumoraPassword))
        return usageError(QStringLiteral("no Lumora password: set SLIDE_FERRY_LUMORA_PASSWORD or "
                                         "run on a terminal"));
    // For protected presentations; never from an argument, never stored.
    options.presentationPassword = presentationPassword.value_or(QString());

    // SIGINT, SIGTERM and SIGHUP stop the run at its next step, with the clean-up every end
    // runs; the status then says which signal it was.
    stopSignals::install();
    BatchRun run(options, [] {
        const int signal = stopSignals::received();
        return signal != 0 ? stopSignals::name(signal) : QString();
    });
    const int status = run.run();
    return run.stopped() ? stopSignals::exitStatus(stopSignals::received()) : status;
}
