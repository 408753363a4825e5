#include "platform/WorkerThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace {

struct Call {
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::exception_ptr error;
    QEventLoop* loop = nullptr; // the main thread's wait, touched on the main thread only
};

} // namespace

SerialWorker::SerialWorker(const char* name) {
    auto* thread = new QThread;
    thread->setObjectName(QString::fromLatin1(name));
    thread->start();
    context_ = new QObject;
    context_->moveToThread(thread);
}

SerialWorker::~SerialWorker() {
    QThread* thread = context_->thread();
    // The calls queued before run first; then the thread's loop ends.
    QMetaObject::invokeMethod(
        context_, [] {}, Qt::BlockingQueuedConnection);
    thread->quit();
    thread->wait();
    delete context_;
    delete thread;
}

void SerialWorker::post(std::function<void()> work) {
    QMetaObject::invokeMethod(
        context_,
        [work = std::move(work)] {
            try {
                work();
            } catch (...) {
            }
        },
        Qt::QueuedConnection);
}

void SerialWorker::run(const std::function<void()>& work) {
    QObject* context = context_;
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

namespace workerThread {

SerialWorker& instance() {
    static auto* worker = new SerialWorker("worker");
    return *worker;
}

} // namespace workerThread
