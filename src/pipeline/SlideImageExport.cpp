#include "pipeline/SlideImageExport.h"

#include "lecture/ProgressSink.h"
#include "pipeline/HelperOffices.h"
#include "platform/Failure.h"
#include "platform/WorkerThread.h"
#include "platform/office/Office.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace {

// The slides still to draw, shared by the offices' threads and the main thread.
class SlidePlan : public std::enable_shared_from_this<SlidePlan> {
public:
    SlidePlan(const SlideImages& images, int offices)
        : images_(images), offices_(offices), tickets_(offices),
          mainThreadWaits_(QCoreApplication::instance() &&
                           QThread::currentThread() == QCoreApplication::instance()->thread()) {}

    // The next slide for an office to draw; false when it should stop. The first office also
    // takes the slides that helpers failed, and waits while helpers still draw (one of theirs
    // may come back). A slide is taken only with a ticket, which the main thread hands out after
    // it has looked for a Cancel: a Cancel seen while a slide is drawn stops the next one.
    bool take(bool firstOffice, int& slide) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stop_)
                return false;
            const bool retry = firstOffice && !retry_.empty();
            const bool more = next_ < total();
            if ((retry || more) && tickets_ > 0) {
                --tickets_;
                if (retry) {
                    slide = retry_.front();
                    retry_.pop_front();
                } else {
                    slide = images_.slides[next_++];
                }
                break;
            }
            if (!retry && !more && (!firstOffice || inFlight_ == 0))
                return false;
            changed_.wait(lock);
        }
        ++inFlight_;
        lock.unlock();
        wakeMain();
        return true;
    }

    // A slide drawn, or failed with `error`. Returns false when the office should stop.
    bool finish(bool firstOffice, int slide, std::exception_ptr error) {
        {
            const std::lock_guard lock(mutex_);
            --inFlight_;
            if (!error) {
                ++done_;
            } else if (!firstOffice) {
                retry_.push_back(slide);
            } else if (!failure_ || slide < failedSlide_) {
                failure_ = error;
                failedSlide_ = slide;
                stop_ = true;
            }
        }
        changed_.notify_all();
        wakeMain();
        return !error;
    }

    void draw(office::Presentation& presentation, bool firstOffice) {
        int slide = 0;
        while (take(firstOffice, slide)) {
            std::exception_ptr error;
            try {
                presentation.exportSlide(
                    slide, images_.directory + QStringLiteral("/Slide") + QString::number(slide),
                    images_.format, images_.width, images_.height);
            } catch (...) {
                error = std::current_exception();
            }
            if (!finish(firstOffice, slide, error))
                return; // a helper that failed once takes no more
        }
    }

    // On the main thread: shows the lines of the slides taken, and waits until the export ends.
    void follow(ProgressSink& progress) {
        int shown = 0; // lines shown, of the slides taken
        QEventLoop loop;
        QTimer tick; // Cancel is looked at even while a slide takes long
        tick.setInterval(100);
        QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
        const bool takeEvents = mainThreadWaits_;
        if (takeEvents) {
            tick.start();
            mainLoop_ = &loop;
        }
        for (;;) {
            int taken = 0;
            int converted = 0;
            bool ended = false;
            {
                std::unique_lock lock(mutex_);
                taken = next_;
                converted = done_;
                ended = inFlight_ == 0 && (stop_ || (done_ == total() && retry_.empty()));
                if (!ended && !takeEvents)
                    changed_.wait_for(lock, std::chrono::milliseconds(100));
            }
            for (; shown < taken; ++shown)
                progress.Add(QStringLiteral("Converting slide %1 to %2")
                                 .arg(images_.slides[shown])
                                 .arg(images_.format));
            progress.slidesConverted(converted, total());
            if (ended)
                break;
            {
                const bool cancel = progress.cancelRequested();
                const std::lock_guard lock(mutex_);
                if (cancel)
                    stop_ = cancelled_ = true;
                else
                    tickets_ = std::max(0, offices_ - inFlight_);
            }
            changed_.notify_all();
            if (takeEvents && !woken_)
                loop.exec();
            woken_ = false;
        }
        mainLoop_ = nullptr;
        if (cancelled_)
            throw StoppedByUser();
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    int total() const { return int(images_.slides.size()); }

    // Wakes follow() from an office's thread.
    void wakeMain() {
        changed_.notify_all();
        if (mainThreadWaits_)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self = weak_from_this()] {
                    if (auto plan = self.lock()) {
                        plan->woken_ = true;
                        if (plan->mainLoop_)
                            plan->mainLoop_->quit();
                    }
                },
                Qt::QueuedConnection);
    }
    const SlideImages images_;
    const int offices_; // that may draw: the first one and the helpers
    std::mutex mutex_;
    std::condition_variable changed_;
    int next_ = 0; // index in images_.slides of the next slide to take
    int tickets_;
    std::deque<int> retry_;
    int inFlight_ = 0;
    int done_ = 0;
    bool stop_ = false;
    bool cancelled_ = false;
    std::exception_ptr failure_;
    int failedSlide_ = 0;
    const bool mainThreadWaits_; // follow() runs on the main thread, taking its events
    // Touched on the main thread only.
    QEventLoop* mainLoop_ = nullptr;
    bool woken_ = false;
};

} // namespace

void exportSlideImages(office::Presentation& first, SerialWorker& firstWorker,
                       const HelperOffices& helpers, const SlideImages& images,
                       ProgressSink& progress, const std::function<void()>& firstOfficeBefore) {
    if (images.slides.isEmpty())
        return;
    auto plan = std::make_shared<SlidePlan>(images, 1 + int(helpers.helpers().size()));
    // A helper still starting or opening takes its first slide once it is ready, or none.
    for (const auto& helper : helpers.helpers()) {
        HelperOffices::Helper* h = helper.get();
        h->worker->post([plan, h] {
            if (h->presentation)
                plan->draw(*h->presentation, false);
        });
    }
    firstWorker.post([plan, &first, firstOfficeBefore] {
        if (firstOfficeBefore) {
            try {
                firstOfficeBefore();
            } catch (...) {
            }
        }
        plan->draw(first, true);
    });
    plan->follow(progress);
}
