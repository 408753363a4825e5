#pragma once

#include <functional>
#include <utility>

class QObject;

// A thread for calls that take long (an office starting, opening a presentation, drawing a
// slide): run() hands a call to it and returns when the call is done. Meanwhile the main
// thread's events keep being delivered, as while an FTP operation runs, so that a window
// repaints, a progress line shows and a Cancel is seen. Calls run one after the other, always on
// the same thread, so the objects they make (such as an office's process) stay with one thread.
class SerialWorker {
public:
    explicit SerialWorker(const char* name);
    // Waits for the calls handed over so far, then ends the thread.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Runs `work` on this worker's thread; an exception it throws is thrown here again. Called on
    // that thread itself, it runs `work` at once. Waits without taking events when called from
    // another thread than the main one, or while the application shuts down.
    void run(const std::function<void()>& work);

    // Hands `work` over and returns at once; what it throws is dropped. Later run() calls wait
    // for it, since calls run in order.
    void post(std::function<void()> work);

private:
    QObject* context_; // lives in the worker's thread
};

// The program's own worker, made on first use and never destroyed: the program may end
// (std::_Exit) while a call runs, and a running thread must not be destroyed.
namespace workerThread {

SerialWorker& instance();

inline void run(const std::function<void()>& work) {
    instance().run(work);
}
inline void post(std::function<void()> work) {
    instance().post(std::move(work));
}

template <class Work> auto call(Work&& work) -> decltype(work()) {
    using Result = decltype(work());
    if constexpr (std::is_void_v<Result>) {
        run(std::forward<Work>(work));
    } else {
        Result result{};
        run([&] { result = work(); });
        return result;
    }
}

} // namespace workerThread
