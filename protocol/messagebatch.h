#pragma once
// How the engine posts its results: every message still reaches its receiver
// as a CUdpMessage after the caller has returned, in the order posted, but the
// messages posted while the receiver has not yet been reached travel together
// in one posted event. A burst of replies then costs one trip through the
// application's event queue, not one allocation, queue entry and wake-up per
// reply.
//
// The batch is an ordinary posted event of the receiver, so what Qt does to
// posted events does it to the batch: sendPostedEvents(receiver) delivers it,
// removePostedEvents(receiver) drops the messages in it, deleting the receiver
// discards it (removing by the type of one message does not reach into a
// batch). An event filter of the receiver's thread opens the batch and
// sends each message on; the receiver's own event() only ever sees
// CUdpMessage. A receiver that runs a nested event loop (a modal dialog) while
// handling one message gets the rest of the batch in that loop.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CUdpMessageBatch;

class CUdpMessagePoster {
public:
    // Queues the message for receiver behind those posted before; nothing
    // when there is no receiver.
    void Post(QObject* receiver, int message, int code, int32_t value);

    struct Entry {
        int message;
        int code;
        int32_t value;
    };
    // The messages of one batch and how far their delivery got.
    struct Batch {
        QPointer<QObject> receiver;
        std::vector<Entry> entries;
        size_t next = 0;      // the next entry to send
        int queued = 0;       // events of this batch waiting in the receiver's queue
        bool opened = false;  // delivery has begun: later messages start another batch
        bool dropped = false; // its queued rest was removed from the queue
    };

private:
    std::shared_ptr<Batch> m_Open; // the batch still waiting, which takes more
    QPointer<QObject> m_Filtered;  // the last receiver the relay was put on
};

// The posted event that carries a batch.
class CUdpMessageBatch : public QEvent {
public:
    explicit CUdpMessageBatch(std::shared_ptr<CUdpMessagePoster::Batch> batch);
    ~CUdpMessageBatch() override;
    CUdpMessageBatch(const CUdpMessageBatch&) = delete;
    CUdpMessageBatch& operator=(const CUdpMessageBatch&) = delete;

    static QEvent::Type EventType();
    // Sends the batch's messages that are still to go to receiver, in order.
    void Deliver(QObject* receiver);

private:
    std::shared_ptr<CUdpMessagePoster::Batch> m_Batch;
    bool m_Queued = true;
};
