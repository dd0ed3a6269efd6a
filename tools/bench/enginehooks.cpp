#include "tools/bench/enginehooks.h"

namespace bench {

bool CMessageTarget::event(QEvent* e) {
    const int type = static_cast<int>(e->type());
    if (type == UM_UDP_RESULT || type == UM_UDP_TIMEOUT || type == UM_UDP_EVENT) {
        if (const auto* message = dynamic_cast<const CUdpMessage*>(e); message && OnMessage)
            OnMessage(*message);
        return true;
    }
    return QObject::event(e);
}

bool CReadFilter::eventFilter(QObject* watched, QEvent* e) {
    if (static_cast<int>(e->type()) == UM_UDP_READ && OnRead) {
        if (const auto* message = dynamic_cast<const CSocketReadMessage*>(e);
            message && message->DatagramWaiting())
            OnRead(&message->Socket());
    }
    return QObject::eventFilter(watched, e);
}

int CRearmSocket::RecvInPlace(Datagram& datagram) {
    m_Engine.PendingRequest = WAIT_GET_CONFIG;
    return CUDPSocket::RecvInPlace(datagram);
}

} // namespace bench
