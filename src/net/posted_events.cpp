#include "net/posted_events.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <climits>

namespace mondeliar::net {

namespace {
std::atomic<int> g_live_events{0};  // created on the lookup workers too
std::atomic<int> g_live_targets{0};

// One round of event processing: through the thread's dispatcher (MultiThreaded) or the
// application's.
void ProcessEventsOnce(QEventLoop::ProcessEventsFlags flags, bool through_dispatcher)
{
    QAbstractEventDispatcher* dispatcher
        = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (through_dispatcher && dispatcher != nullptr)
        dispatcher->processEvents(flags);
    else
        QCoreApplication::processEvents(flags);
}

}  // namespace

NetEvent::NetEvent(int kind_, quint64 serial_, int error_)
    : QEvent(Type()), kind(kind_), serial(serial_), error(error_)
{
    ++g_live_events;
}

NetEvent::~NetEvent()
{
    --g_live_events;
}

int NetEvent::LiveCount()
{
    return g_live_events.load();
}

QEvent::Type NetEvent::Type()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

EventTarget::EventTarget(Handler handler) : handler_(std::move(handler))
{
    ++g_live_targets;
}

EventTarget::~EventTarget()
{
    --g_live_targets;
}

int EventTarget::LiveCount()
{
    return g_live_targets.load();
}

void EventTarget::Post(NetEvent* event)
{
    QCoreApplication::postEvent(this, event);
}

void EventTarget::Dispatch(const std::function<void()>& work)
{
    if (!handler_)
        return;
    ++depth_;
    work();
    --depth_;
}

void EventTarget::Dispose(EventTarget* target)
{
    if (target == nullptr)
        return;
    target->handler_ = nullptr;
    if (target->depth_ > 0)
        target->deleteLater();
    else
        delete target;
}

bool EventTarget::event(QEvent* event)
{
    if (event->type() != NetEvent::Type())
        return QObject::event(event);
    if (handler_) {
        ++depth_;
        handler_(static_cast<NetEvent&>(*event));
        --depth_;
    }
    return true;
}

void WaitForEvents(qint64 max_wait_ms, bool through_dispatcher)
{
    QTimer wake;
    wake.setSingleShot(true);
    if (max_wait_ms >= 0)
        wake.start(static_cast<int>(std::clamp<qint64>(max_wait_ms, 1, INT_MAX)));
    ProcessEventsOnce(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, through_dispatcher);
}

bool WaitInEventLoop(const std::function<bool()>& done, const std::function<qint64()>& remaining_ms,
                     bool through_dispatcher)
{
    QTimer wake;
    wake.setSingleShot(true);
    while (!done()) {
        if (ApplicationTerminating())
            return false;
        if (!wake.isActive()) {
            const qint64 remaining = remaining_ms();
            if (remaining == 0)
                return done();
            if (remaining > 0)
                wake.start(static_cast<int>(std::clamp<qint64>(remaining, 1, INT_MAX)));
        }
        // Our own posted events (a transfer posts one per chunk) are delivered
        // directly, a bounded number of rounds, before the loop polls again.
        for (int round = 0; round < 32 && !done(); ++round)
            QCoreApplication::sendPostedEvents(nullptr, NetEvent::Type());
        if (done())
            break;
        ProcessEventsOnce(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                          through_dispatcher);
    }
    return true;
}

void ProcessPendingEvents(bool through_dispatcher)
{
    ProcessEventsOnce(QEventLoop::AllEvents, through_dispatcher);
}

bool ApplicationTerminating()
{
    return QCoreApplication::instance() == nullptr || QCoreApplication::closingDown();
}

}  // namespace mondeliar::net
