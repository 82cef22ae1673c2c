#pragma once
// Delivery of deferred work through the thread's event queue: an object posts
// itself an event and handles it later, in order, from the event loop. Used by
// the sockets and the FTP client; not part of their public interface.

#include <QEvent>
#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace mondeliar::net {

class NetEvent : public QEvent {
public:
    NetEvent(int kind, quint64 serial, int error = 0);
    ~NetEvent() override;
    NetEvent(const NetEvent&) = delete;
    NetEvent& operator=(const NetEvent&) = delete;
    static QEvent::Type Type();
    // Events created and not yet delivered (or dropped): what waits in the queues.
    static int LiveCount();

    int kind;                            // meaning defined by the receiver
    quint64 serial;                      // which handle, lookup or transfer it belongs to
    int error;                           // socket error number or 0
    std::vector<std::string> addresses;  // lookup results
};

// A QObject that hands its NetEvents (and the work routed through Dispatch)
// to an owner that is not a QObject. The owner may be destroyed while one of
// its handlers runs; Dispose then defers the deletion of the target.
class EventTarget : public QObject {
public:
    using Handler = std::function<void(NetEvent&)>;

    explicit EventTarget(Handler handler);
    ~EventTarget() override;
    static int LiveCount();  // targets not yet deleted

    void Post(NetEvent* event);  // takes ownership
    // Runs work as a handler of this target (exceptions must be handled by work).
    void Dispatch(const std::function<void()>& work);
    bool Attached() const { return static_cast<bool>(handler_); }

    // Detaches the owner and deletes the target now or, when called from inside
    // one of its handlers, once control is back in the event loop.
    static void Dispose(EventTarget* target);

protected:
    bool event(QEvent* event) override;

private:
    Handler handler_;
    int depth_ = 0;
};

// Blocks in the event loop until at least one event has been processed or
// max_wait_ms have passed (a negative value waits without limit).
void WaitForEvents(qint64 max_wait_ms, bool through_dispatcher);

// Waits in the event loop until done() or the deadline. Unlike repeated
// WaitForEvents calls, one wake-up timer serves the whole wait, so a busy
// loop of posted events pays nothing extra per event. deadline() is asked
// again whenever the timer fires (it may have moved); a negative value means
// no limit. Returns done().
bool WaitInEventLoop(const std::function<bool()>& done, const std::function<qint64()>& remaining_ms,
                     bool through_dispatcher);
// Processes the events already pending, once.
void ProcessPendingEvents(bool through_dispatcher);
// True once the application object is gone or shutting down.
bool ApplicationTerminating();

}  // namespace mondeliar::net
