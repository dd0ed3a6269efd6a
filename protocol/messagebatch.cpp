#include "protocol/messagebatch.h"

#include "protocol/cudpsocket.h"
#include "settings/winmessage.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// Opens the batches posted to the objects it filters.
class CBatchRelay : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != CUdpMessageBatch::EventType())
            return false;
        static_cast<CUdpMessageBatch*>(e)->Deliver(watched);
        return true;
    }
};

// One relay per thread, kept for the thread's life: a batch may still wait in
// a queue after the engine that posted it is gone.
QObject* Relay() {
    thread_local QObject* relay = new CBatchRelay;
    return relay;
}

} // namespace

void CUdpMessagePoster::Post(QObject* receiver, int message, int code, int32_t value) {
    if (!receiver)
        return;
    const bool waiting = m_Open && !m_Open->opened && m_Open->queued > 0;
    if (!waiting || m_Open->receiver != receiver) {
        // An event filter works only within its own thread: the messages for
        // a receiver of another thread go one by one.
        if (receiver->thread() != QThread::currentThread()) {
            PostUdpMessage(receiver, message, code, value);
            return;
        }
        if (m_Filtered != receiver) {
            receiver->installEventFilter(Relay());
            m_Filtered = receiver;
        }
        m_Open = std::make_shared<Batch>();
        m_Open->receiver = receiver;
        // A batch mostly holds the results of one socket wake-up.
        m_Open->entries.reserve(CUDPSocket::ReadsPerWakeUp);
        QCoreApplication::postEvent(receiver, new CUdpMessageBatch(m_Open));
    }
    m_Open->entries.push_back({message, code, value});
}

CUdpMessageBatch::CUdpMessageBatch(std::shared_ptr<CUdpMessagePoster::Batch> batch)
    : QEvent(EventType()), m_Batch(std::move(batch)) {
    ++m_Batch->queued;
}

CUdpMessageBatch::~CUdpMessageBatch() {
    if (!m_Queued)
        return;
    // Taken out of the queue undelivered: what it carried is dropped, as the
    // posted messages themselves would have been.
    --m_Batch->queued;
    if (m_Batch->opened)
        m_Batch->dropped = true;
}

QEvent::Type CUdpMessageBatch::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void CUdpMessageBatch::Deliver(QObject* receiver) {
    if (m_Queued) {
        m_Queued = false;
        --m_Batch->queued;
    }
    const std::shared_ptr<CUdpMessagePoster::Batch> batch = m_Batch;
    batch->opened = true;
    const QPointer<QObject> alive(receiver);
    while (alive && !batch->dropped && batch->next < batch->entries.size()) {
        const CUdpMessagePoster::Entry entry = batch->entries[batch->next++];
        // The rest waits in the queue as well, so that a nested event loop
        // run while this message is handled delivers it.
        if (batch->next < batch->entries.size() && batch->queued == 0)
            QCoreApplication::postEvent(receiver, new CUdpMessageBatch(batch));
        CUdpMessage message(entry.message, entry.code, entry.value);
        QCoreApplication::sendEvent(receiver, &message);
    }
}
