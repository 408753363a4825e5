#include "pipeline/HelperOffices.h"

#include "platform/Failure.h"
#include "platform/WorkerThread.h"
#include "platform/office/Office.h"

#include <QThread>
#include <algorithm>

namespace {

// Below this many slides the helpers stay idle.
constexpr int slidesWorthHelpers = 10;

} // namespace

HelperOffices::Helper::Helper(int number)
    : pipe(office::pipeName() + QStringLiteral("_") + QString::number(number)),
      worker(std::make_unique<SerialWorker>("office helper")) {}

HelperOffices::Helper::~Helper() {
    // The office objects belong to the helper's thread: they go there, before the thread ends.
    worker->run([this] { end(); });
}

void HelperOffices::Helper::end() {
    presentation.reset();
    // As with the first office: one that another run of the program started is left running.
    if (app && app->startedHere())
        app->quit();
    app.reset();
}

HelperOffices::HelperOffices() : processes_(defaultProcesses()) {}

HelperOffices::~HelperOffices() {
    quit();
}

int HelperOffices::defaultProcesses() {
    bool ok = false;
    const int chosen = qEnvironmentVariableIntValue("SLIDE_FERRY_OFFICE_PROCESSES", &ok);
    if (ok && chosen >= 1)
        return std::min(chosen, 8);
    return std::clamp(QThread::idealThreadCount(), 2, 4);
}

void HelperOffices::setProcesses(int processes) {
    processes_ = std::max(processes, 1);
    while (int(helpers_.size()) > processes_ - 1)
        helpers_.pop_back();
}

void HelperOffices::addHelpers() {
    while (int(helpers_.size()) < processes_ - 1)
        helpers_.push_back(std::make_unique<Helper>(int(helpers_.size()) + 2));
}

void HelperOffices::startInBackground() {
    addHelpers();
    for (const auto& helper : helpers_) {
        Helper* h = helper.get();
        h->worker->post([h] {
            try {
                h->app = office::Application::keepOrFind(std::move(h->app), h->pipe);
            } catch (const Failure&) {
                // Tried again when a presentation is opened.
            }
        });
    }
}

void HelperOffices::open(const QString& path, const QString& password, int slideCount) {
    if (slideCount < slidesWorthHelpers)
        return;
    addHelpers();
    for (const auto& helper : helpers_) {
        Helper* h = helper.get();
        h->worker->post([h, path, password] {
            h->presentation.reset();
            try {
                h->app = office::Application::keepOrFind(std::move(h->app), h->pipe);
                h->presentation = h->app->open(path, password);
            } catch (const Failure&) {
                // This helper draws nothing; the others and the first office do.
                h->presentation.reset();
            }
        });
    }
}

void HelperOffices::closeDocuments() {
    for (const auto& helper : helpers_) {
        Helper* h = helper.get();
        h->worker->post([h] { h->presentation.reset(); });
    }
}

int HelperOffices::ready() const {
    int open = 0;
    for (const auto& helper : helpers_)
        helper->worker->run([&] { open += helper->presentation ? 1 : 0; });
    return open;
}

void HelperOffices::endInBackground() {
    for (const auto& helper : helpers_) {
        Helper* h = helper.get();
        h->worker->post([h] { h->end(); });
    }
}

void HelperOffices::quit() {
    // Every helper's office is told to end first, so that they end side by side.
    endInBackground();
    helpers_.clear();
}
