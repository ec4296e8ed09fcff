#include "platform/files/aside.h"

#include "platform/event_service.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::aside {

namespace {

// Well under a display frame, and under what a round trip to a server
// across a network takes.
constexpr int QuickMs = 3;

std::function<void()>& workerHook() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

void setWorkerHook(std::function<void()> hook) {
    workerHook() = std::move(hook);
}

namespace {

// The thread that takes the work, made once and kept: a thread made for
// each piece costs more than a call to a share that answers at once. Work
// handed over while it is busy (from a timer served during a wait) gets a
// thread of its own. Never destroyed: it waits for work until the process
// ends.
class Runner {
public:
    static Runner& instance() {
        static Runner* const runner = new Runner;
        return *runner;
    }
    // Takes the work unless busy.
    bool start(const std::function<void()>& work) {
        {
            const std::lock_guard lock(m_lock);
            if (m_work)
                return false;
            m_work = &work;
            m_loop = nullptr;
            m_done = false;
        }
        m_changed.notify_all();
        return true;
    }
    bool waitDone(int ms) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; });
    }
    // The loop is told to quit when the work ends; false: it has ended.
    bool tell(QEventLoop* loop) {
        const std::lock_guard lock(m_lock);
        m_loop = loop;
        return !m_done;
    }
    // The work has ended; the loop may go.
    void release() {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_done; });
        m_work = nullptr;
        m_loop = nullptr;
    }

private:
    Runner() {
        std::thread([this] { serve(); }).detach();
    }
    void serve() {
        std::unique_lock lock(m_lock);
        for (;;) {
            m_changed.wait(lock, [this] { return m_work && !m_done; });
            const std::function<void()>& work = *m_work;
            const std::function<void()> hook = workerHook();
            lock.unlock();
            if (hook)
                hook();
            work();
            lock.lock();
            m_done = true;
            if (m_loop)
                QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
            m_changed.notify_all();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    const std::function<void()>* m_work = nullptr;
    QEventLoop* m_loop = nullptr;
    bool m_done = true;
};

// Waits for work begun elsewhere: without serving anything until the
// windows are due to be served, then (beforeWait first) in the loop, which
// the work's end quits once tell(loop) has said it will; done(ms) says
// whether the work has ended, waiting at most that long for it.
void waitFor(const std::function<bool(int)>& done, const std::function<bool(QEventLoop*)>& tell,
             QEventLoop& loop, const std::function<void()>& beforeWait) {
    // Most work handed over (a call to a share that answers) ends within a
    // few milliseconds: then nothing needs painting or serving for it, and
    // the windows need it no sooner than serveSoon() would give it them.
    if (done(std::max(QuickMs, events::msUntilServed())))
        return;
    // What the windows are to show while the work runs (the file it
    // copies) is painted first: the wait serves paint events only.
    if (beforeWait)
        beforeWait();
    if (!tell(&loop))
        return;
    // The loop may also be told to end by the application quitting: what
    // the work was handed must not go away under it, so it is waited for.
    while (!done(0)) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!done(0))
            done(20);
    }
}

} // namespace

void run(const std::function<void()>& work, const std::function<void()>& beforeWait) {
    QCoreApplication* const app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    const events::InputHold hold;
    QEventLoop loop;
    Runner& runner = Runner::instance();
    if (runner.start(work)) {
        waitFor([&runner](int ms) { return runner.waitDone(ms); },
                [&runner](QEventLoop* told) { return runner.tell(told); }, loop, beforeWait);
        runner.release();
        return;
    }
    // Busy (this is work handed over from a timer served during a wait):
    // a thread of its own.
    const std::function<void()> hook = workerHook(); // the worker's own copy
    const std::unique_ptr<QThread> worker(QThread::create([&work, hook] {
        if (hook)
            hook();
        work();
    }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    waitFor([&worker](int ms) { return worker->wait(QDeadlineTimer(ms)); },
            [](QEventLoop*) { return true; }, loop, beforeWait);
}

} // namespace platform::aside
