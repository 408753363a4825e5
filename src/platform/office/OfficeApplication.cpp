// The office application: attaching to or starting LibreOffice and opening presentations.

#include "platform/office/Office.h"
#include "platform/office/OfficeInternal.h"
#include "platform/office/OfficeLoading.h"
#include "platform/office/OfficePipe.h"
#include "platform/office/OfficeProfile.h"
#include "platform/office/UnoSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace office {

using namespace uno;
using namespace loading;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

QString& pipeNameSetting() {
    static QString name = [] {
        if (qEnvironmentVariableIsSet("SF_TEST"))
            return QStringLiteral("slideferry_office_test_%1")
                .arg(QCoreApplication::applicationPid());
        return QStringLiteral("slideferry_office_%1").arg(QCoreApplication::applicationPid());
    }();
    return name;
}

// The office runs under a small guard: a shell that starts it, passes on its exit code, and
// ends it when this program is gone (killed outright, so that it could not quit the office
// itself), checking once a second. Office and guard form a process group of their own, so that
// a terminal's Ctrl-C reaches only this program, which then quits its offices in order.
const char* const kGuard =
    "program=$1; shift; \"$@\" & office=$!; "
    "( while kill -0 \"$program\" 2>/dev/null; do sleep 1; done; kill -TERM $office; sleep 3; "
    "kill -KILL $office ) 2>/dev/null & watcher=$!; "
    "wait $office; code=$?; kill $watcher 2>/dev/null; exit $code";

// The office's environment: this program's, without any password it was given.
QProcessEnvironment officeEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        if (key.startsWith(QLatin1String("SLIDE_FERRY_")) &&
            key.contains(QLatin1String("PASSWORD")))
            env.remove(key);
    return env;
}

// The process-local UNO environment that the connection to the office runs through. Created
// once and kept for the life of the process: tearing UNO down during static destruction is not
// safe, so it is deliberately never released. The first office and its helpers may start side
// by side, each on its own thread: the first caller makes it while the others wait, and a
// failed set-up is tried again by the next caller.
Reference<css::uno::XComponentContext> localContext() {
    static Reference<css::uno::XComponentContext>* const context = [] {
        // The bridge writes to the office's pipe from its own thread; an office that dies must
        // make that write fail, not kill the program with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        // The URE finds its type libraries and services through this file of the office.
        if (std::getenv("URE_BOOTSTRAP") == nullptr)
            ::setenv("URE_BOOTSTRAP",
                     "vnd.sun.star.pathname:" SF_OFFICE_PROGRAM_DIR "/fundamentalrc", 0);
        try {
            return new Reference<css::uno::XComponentContext>(
                cppu::defaultBootstrap_InitialComponentContext());
        } catch (const css::uno::Exception& e) {
            throw OfficeFailure(QStringLiteral("Cannot set up the connection to the office: ") +
                                reason(e));
        } catch (const std::exception& e) {
            throw OfficeFailure(QStringLiteral("Cannot set up the connection to the office: ") +
                                QString::fromLocal8Bit(e.what()));
        } catch (...) {
            throw OfficeFailure(QStringLiteral("Cannot set up the connection to the office"));
        }
    }();
    return *context;
}

// The office's component context over the pipe, or an empty reference when nothing answers.
Reference<css::uno::XComponentContext> connect(const QString& pipe) {
    const Reference<css::uno::XComponentContext> local = localContext();
    try {
        const Reference<css::bridge::XUnoUrlResolver> resolver =
            css::bridge::UnoUrlResolver::create(local);
        const Reference<css::uno::XInterface> object = resolver->resolve(
            toOU(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipe)));
        return Reference<css::uno::XComponentContext>(object, UNO_QUERY);
    } catch (const css::uno::Exception&) {
        // NoConnectException when nothing listens, others while the office is still starting.
        return {};
    }
}

// Exit codes with which the office asks to be started again (after setting up a new profile).
bool wantsRestart(int exitCode) {
    return exitCode == 79 || exitCode == 81;
}

} // namespace

QString pipeName() {
    return pipeNameSetting();
}

void setPipeName(const QString& name) {
    pipeNameSetting() = name;
}

struct Application::Impl {
    QString pipe; // the pipe this office listens on
    Reference<css::uno::XComponentContext> context;
    Reference<css::frame::XDesktop2> desktop;
    std::unique_ptr<QProcess> process;
    std::unique_ptr<QTemporaryDir> temporaryProfile;

    void startProcess(const QString& profileDir);
    void endProcess();
    void killProcess();
};

void Application::Impl::startProcess(const QString& profileDir) {
    process = std::make_unique<QProcess>();
    // SF_OFFICE_PROGRAM names another office program (a test makes an office fail to start).
    QString office = qEnvironmentVariable("SF_OFFICE_PROGRAM");
    if (office.isEmpty())
        office = QStringLiteral(SF_OFFICE_PROGRAM_DIR "/soffice.bin");
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({
        QStringLiteral("-c"),
        QString::fromLatin1(kGuard),
        QStringLiteral("slide-ferry-office-guard"),
        QString::number(QCoreApplication::applicationPid()),
        office,
        QStringLiteral("-env:UserInstallation=") +
            QString::fromUtf8(QUrl::fromLocalFile(profileDir).toEncoded()),
        QStringLiteral("--headless"),
        QStringLiteral("--invisible"),
        QStringLiteral("--norestore"),
        QStringLiteral("--nologo"),
        QStringLiteral("--nodefault"),
        QStringLiteral("--nolockcheck"),
        QStringLiteral("--accept=pipe,name=%1;urp;").arg(pipe),
    });
    process->setProcessEnvironment(officeEnvironment());
    process->setChildProcessModifier([] { ::setpgid(0, 0); });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(10000)) {
        const QString error = process->errorString();
        process.reset();
        throw OfficeFailure(QStringLiteral("Cannot start the office (") + office +
                            QStringLiteral("): ") + error);
    }
}

void Application::Impl::endProcess() {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning && !process->waitForFinished(20000))
        killProcess();
    process.reset();
}

void Application::Impl::killProcess() {
    // The office's whole group: the guard and the office under it.
    ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
    process->waitForFinished(5000);
}

Application::Application(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Application::~Application() {
    if (startedHere())
        quit();
}

std::unique_ptr<Application> Application::attach() {
    return attach(pipeName());
}

std::unique_ptr<Application> Application::attach(const QString& pipe) {
    auto context = connect(pipe);
    if (!context.is())
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->pipe = pipe;
    try {
        impl->desktop = css::frame::Desktop::create(context);
    } catch (const css::uno::Exception&) {
        return nullptr;
    }
    impl->context = context;
    return std::unique_ptr<Application>(new Application(std::move(impl)));
}

std::unique_ptr<Application> Application::start() {
    return start(pipeName());
}

std::unique_ptr<Application> Application::start(const QString& pipe) {
    auto impl = std::make_unique<Impl>();
    impl->pipe = pipe;
    auto profile = profile::forPipe(pipe);
    const QString profileDir = profile.dir;
    impl->temporaryProfile = std::move(profile.temporary);

    impl->startProcess(profileDir);
    int restarts = 0;
    bool freshProfile = false;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (auto context = connect(pipe); context.is()) {
            try {
                impl->desktop = css::frame::Desktop::create(context);
                impl->context = context;
                break;
            } catch (const css::uno::Exception&) {
                // Not ready yet: try again below.
            }
        }
        if (impl->process->state() == QProcess::NotRunning) {
            const int code = impl->process->exitCode();
            if (wantsRestart(code) && restarts < 3) {
                ++restarts;
                impl->startProcess(profileDir);
                continue;
            }
            // A kept profile that the office cannot start with is replaced by a fresh one, once.
            if (profile.kept && !freshProfile) {
                freshProfile = true;
                profile::reset(profileDir);
                impl->startProcess(profileDir);
                continue;
            }
            impl->process.reset();
            throw OfficeFailure(
                QStringLiteral("The office ended while starting (exit code %1)").arg(code));
        }
        if (waited.elapsed() > startTimeoutMs) {
            impl->killProcess();
            impl->process.reset();
            throw OfficeFailure(QStringLiteral("The office did not start within %1 seconds")
                                    .arg(startTimeoutMs / 1000));
        }
        // The office answers about a second after its start; look often, it costs little.
        impl->process->waitForFinished(10);
    }
    return std::unique_ptr<Application>(new Application(std::move(impl)));
}

std::unique_ptr<Application> Application::keepOrFind(std::unique_ptr<Application> running,
                                                     const QString& pipe) {
    if (running && running->isAlive())
        return running;
    running.reset();
    if (auto found = attachWaiting(pipe, 5000))
        return found;
    return start(pipe);
}

bool Application::startedHere() const {
    return d && d->process != nullptr;
}

bool Application::isAlive() {
    if (!d->desktop.is())
        return false;
    try {
        d->desktop->getCurrentComponent();
        return true;
    } catch (const css::uno::Exception&) {
        return false;
    }
}

namespace {
// A file the office cannot take, said before the office is asked.
void checkOpenable(const QFileInfo& info, const QString& path) {
    if (!info.exists())
        throw OfficeFailure(QStringLiteral("The presentation %1 does not exist").arg(path));
    if (!info.isFile() || !info.isReadable())
        throw OfficeFailure(QStringLiteral("The presentation %1 cannot be read").arg(path));
    // The office would take an empty file for a new, empty presentation.
    if (info.size() == 0)
        throw OfficeFailure(
            QStringLiteral("Cannot open %1: the file is empty").arg(info.fileName()));
}

// Opened hidden and read-only: the program never stores the presentation, and the office then
// leaves no lock file beside it. Slides can still be added and removed in memory. Questions go
// to `interaction`, which answers none; macros never run.
css::uno::Sequence<css::beans::PropertyValue>
loadDescriptor(const QString& password, const rtl::Reference<AbortingInteraction>& interaction) {
    auto descriptor = properties({
        {"Hidden", css::uno::Any(true)},
        {"ReadOnly", css::uno::Any(true)},
        {"Silent", css::uno::Any(true)},
        {"InteractionHandler",
         css::uno::Any(Reference<css::task::XInteractionHandler>(interaction.get()))},
        {"MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)},
        {"UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE)},
    });
    if (!password.isEmpty())
        addProperty(descriptor, "Password", css::uno::Any(toOU(password)));
    return descriptor;
}

// Why the office gave no document, in one wording per cause: a password the office asked for,
// or encryption that the file's bytes show, is a protected presentation, whatever the
// encryption; anything else is a damaged file.
[[noreturn]] void refuseUnopened(const QFileInfo& info, const QString& password,
                                 const AbortingInteraction& interaction, QString why) {
    const bool askedPassword =
        interaction.asked().contains(QLatin1String("Password"), Qt::CaseInsensitive);
    if (askedPassword || looksEncrypted(info.absoluteFilePath())) {
        const bool wrong = !password.isEmpty();
        throw PasswordNeeded(QStringLiteral("Cannot open %1: %2")
                                 .arg(info.fileName(), wrong
                                                           ? QStringLiteral("the password is wrong")
                                                           : QStringLiteral("the presentation is "
                                                                            "password-protected")),
                             wrong);
    }
    if (why.isEmpty() || why.startsWith(QLatin1String("Unsupported URL")))
        why = QStringLiteral("the file is damaged or not a presentation");
    throw OfficeFailure(QStringLiteral("Cannot open %1: %2").arg(info.fileName(), why));
}

bool isPresentationDocument(const Reference<css::lang::XComponent>& document) {
    const Reference<css::lang::XServiceInfo> service(document, UNO_QUERY);
    try {
        return service.is() &&
               service->supportsService(OUString("com.sun.star.presentation.PresentationDocument"));
    } catch (const css::uno::Exception&) {
        return false;
    }
}
} // namespace

std::unique_ptr<Presentation> Application::open(const QString& path, const QString& password) {
    const QFileInfo info(path);
    checkOpenable(info, path);
    if (!d->desktop.is())
        throw OfficeFailure(QStringLiteral("The office is not running"));

    const QString url = QString::fromUtf8(QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded());
    const rtl::Reference<AbortingInteraction> interaction(new AbortingInteraction);
    const auto descriptor = loadDescriptor(password, interaction);
    Reference<css::lang::XComponent> document;
    QString why;
    bool stopped = false;
    {
        // A file that sends the office into an endless loop must not hang the program: an
        // office started here is stopped when loading takes far longer than any real file.
        const LoadWatchdog watchdog(d->process ? qint64(d->process->processId()) : 0,
                                    loadTimeoutMs);
        try {
            const Reference<css::frame::XComponentLoader> loader(d->desktop, UNO_QUERY_THROW);
            document = loader->loadComponentFromURL(toOU(url), OUString("_blank"), 0, descriptor);
        } catch (const css::uno::Exception& e) {
            why = reason(e);
        }
        stopped = watchdog.fired();
    }
    if (stopped) {
        d->desktop.clear();
        d->context.clear();
        throw OfficeFailure(
            QStringLiteral("Cannot open %1: the office did not finish loading it within "
                           "%2 seconds and was stopped")
                .arg(info.fileName())
                .arg(loadTimeoutMs / 1000));
    }
    if (!document.is())
        refuseUnopened(info, password, *interaction, why);

    const bool isPresentation = isPresentationDocument(document);
    auto impl = std::make_unique<Presentation::Impl>(d->context, document);
    impl->repaired = interaction->askedAnything();
    auto presentation = std::make_unique<Presentation>(std::move(impl));
    if (!isPresentation) {
        presentation->close();
        throw OfficeFailure(
            QStringLiteral("Cannot open %1: the file is not a presentation").arg(info.fileName()));
    }
    return presentation;
}

void Application::quit() {
    if (!d)
        return;
    try {
        if (d->desktop.is())
            d->desktop->terminate();
    } catch (const css::uno::Exception&) {
        // The office may drop the connection before it answers: that is the expected end.
    }
    d->desktop.clear();
    d->context.clear();
    d->endProcess();
    d->temporaryProfile.reset();
}

} // namespace office
