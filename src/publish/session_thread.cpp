#include "publish/session_thread.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace mondeliar {

namespace {

// Waiting inside the event loop needs an application, and this thread must be its thread.
bool OnEventLoopThread()
{
    QCoreApplication* application = QCoreApplication::instance();
    return application && application->thread() == QThread::currentThread();
}

}  // namespace

SessionThread::SessionThread() : thread_([this] { Work(); }) {}

SessionThread::~SessionThread()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool SessionThread::Run(const std::function<bool()>& step, const sftp::Liveness& liveness,
                        std::chrono::milliseconds limit, const std::function<void()>& abort)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        step_ = step;
        finished_ = false;
    }
    changed_.notify_all();
    timedOut_ = false;
    // At least one pass of the event loop per step, however quick: the window shows the
    // progress of every file.
    do {
        auto silence = std::chrono::duration_cast<std::chrono::milliseconds>(liveness.Silence());
        if (!timedOut_ && silence >= limit) {
            timedOut_ = true;
            abort();
        }
        // After the abort the step ends soon; look again now and then until it has.
        WaitAWhile(timedOut_ ? std::chrono::milliseconds(50) : limit - silence);
    } while (!Finished());
    std::lock_guard<std::mutex> lock(mutex_);
    return result_;
}

bool SessionThread::Finished()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

// Returns when the step has finished, when `longest` has passed, or (in the event loop)
// after any event.
void SessionThread::WaitAWhile(std::chrono::milliseconds longest)
{
    longest = std::max(longest, std::chrono::milliseconds(1));
    if (!OnEventLoopThread()) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, longest, [this] { return finished_; });
        return;
    }
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(std::min<std::chrono::milliseconds::rep>(longest.count(), 1 << 30)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void SessionThread::Work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || step_; });
        if (stopping_)
            return;
        std::function<bool()> step = std::move(step_);
        step_ = nullptr;
        lock.unlock();
        const bool result = step();
        lock.lock();
        result_ = result;
        finished_ = true;
        changed_.notify_all();
        // Wakes the caller's event loop: an empty call queued on the application's thread.
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(application, [] {}, Qt::QueuedConnection);
    }
}

}  // namespace mondeliar
