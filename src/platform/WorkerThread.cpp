#include "platform/WorkerThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace workerThread {
namespace {

// Made on first use and never destroyed: the program may end (std::_Exit) while a call runs,
// and a running QThread must not be destroyed.
QObject* workerContext() {
    static QObject* context = [] {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("worker"));
        thread->start();
        auto* object = new QObject;
        object->moveToThread(thread);
        return object;
    }();
    return context;
}

struct Call {
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::exception_ptr error;
    QEventLoop* loop = nullptr; // the main thread's wait, touched on the main thread only
};

} // namespace

void post(std::function<void()> work) {
    QMetaObject::invokeMethod(
        workerContext(),
        [work = std::move(work)] {
            try {
                work();
            } catch (...) {
            }
        },
        Qt::QueuedConnection);
}

void run(const std::function<void()>& work) {
    QObject* context = workerContext();
    if (QThread::currentThread() == context->thread()) {
        work();
        return;
    }
    auto call = std::make_shared<Call>();
    QCoreApplication* app = QCoreApplication::instance();
    const bool takeEvents =
        app && QThread::currentThread() == app->thread() && !QCoreApplication::closingDown();
    QMetaObject::invokeMethod(
        context,
        [call, &work, app, takeEvents] {
            try {
                work();
            } catch (...) {
                call->error = std::current_exception();
            }
            {
                const std::lock_guard lock(call->mutex);
                call->done = true;
            }
            call->doneChanged.notify_all();
            if (takeEvents)
                QMetaObject::invokeMethod(
                    app,
                    [call] {
                        if (call->loop)
                            call->loop->quit();
                    },
                    Qt::QueuedConnection);
        },
        Qt::QueuedConnection);

    if (takeEvents) {
        QEventLoop loop;
        call->loop = &loop;
        bool done = false;
        {
            const std::lock_guard lock(call->mutex);
            done = call->done;
        }
        if (!done)
            loop.exec();
        call->loop = nullptr;
    }
    // Also when the loop was left early (the application quitting): the call must end first,
    // since it uses the caller's `work`.
    std::unique_lock lock(call->mutex);
    call->doneChanged.wait(lock, [&] { return call->done; });
    if (call->error)
        std::rethrow_exception(call->error);
}

} // namespace workerThread
