#pragma once

#include <functional>
#include <utility>

// The program's one worker thread, for calls that take long (the office starting, opening a
// presentation, drawing a slide): run() hands a call to it and returns when the call is done.
// Meanwhile the main thread's events keep being delivered, as while an FTP operation runs, so
// that a window repaints, a progress line shows and a Cancel is seen. Calls run one after the
// other, always on the same thread, so the objects they make (such as the office's process)
// stay with one thread.
namespace workerThread {

// Runs `work` on the worker thread; an exception it throws is thrown here again. Called on the
// worker thread itself, it runs `work` at once. Waits without taking events when called from
// another thread than the main one, or while the application shuts down.
void run(const std::function<void()>& work);

// Hands `work` to the worker thread and returns at once; what it throws is dropped. Later
// run() calls wait for it, since calls run in order.
void post(std::function<void()> work);

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
