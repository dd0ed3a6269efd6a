#pragma once
// The one request a swpctl run waits on: the engine's result or time-out of
// that request calls its handler, once; those of any other request are stale.

#include "settings/winmessage.h"

#include <functional>

namespace swpctl {

class CReplyWait {
public:
    using ResultHandler = std::function<void(bool positive)>;
    using Action = std::function<void()>;

    // Expect the result of the request with this code next.
    void Await(int code, ResultHandler onResult, Action onTimeout);
    // Calls the handler when message is the result or time-out awaited; false
    // when it is stale (or an event).
    bool Deliver(const CUdpMessage& message);
    void Clear();

private:
    int m_Expect = WAIT_NONE;
    ResultHandler m_OnResult;
    Action m_OnTimeout;
};

} // namespace swpctl
