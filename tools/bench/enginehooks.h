#pragma once
// What the benchmark hangs onto the engine without changing it: a target that
// receives the posted messages, and a filter that sees every read report
// (UM_UDP_READ, sent synchronously by a socket) before the engine reads.

#include "protocol/cudpsocket.h"
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

} // namespace bench
