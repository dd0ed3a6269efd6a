#pragma once
// What the benchmark hangs onto the engine without changing it: a target that
// receives the posted messages, a filter that sees every read report
// (UM_UDP_READ, sent synchronously by a socket) before the engine reads, and a
// socket that sets the engine's pending request before each read.

#include "protocol/cudpsocket.h"
#include "protocol/formudp.h"
#include "settings/winmessage.h"

#include <QObject>
#include <functional>

namespace bench {

class CMessageTarget : public QObject {
public:
    std::function<void(const CUdpMessage&)> OnMessage;

protected:
    bool event(QEvent* e) override;
};

class CReadFilter : public QObject {
public:
    // Called with the socket about to be read, before the engine reads it.
    std::function<void(CUDPSocket*)> OnRead;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

// An engine socket that makes the engine wait for a get-configuration reply
// again (no request is sent) before it hands each datagram over, so that
// every reply is handled in full; a hook of the socket's own, which costs
// the engine's read nothing that an event filter would.
class CRearmSocket : public CUDPSocket {
public:
    explicit CRearmSocket(TFormUDP& engine) : m_Engine(engine) {}
    int RecvInPlace(Datagram& datagram) override;

private:
    TFormUDP& m_Engine;
};

} // namespace bench
