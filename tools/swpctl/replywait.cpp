#include "tools/swpctl/replywait.h"

#include <utility>

namespace swpctl {

void CReplyWait::Await(int code, ResultHandler onResult, Action onTimeout) {
    m_Expect = code;
    m_OnResult = std::move(onResult);
    m_OnTimeout = std::move(onTimeout);
}

bool CReplyWait::Deliver(const CUdpMessage& message) {
    if (message.IsEvent() || message.Code() != m_Expect)
        return false;
    if ((message.IsResult() && !m_OnResult) || (message.IsTimeout() && !m_OnTimeout))
        return false;
    // The handler may await the next request.
    ResultHandler onResult = std::move(m_OnResult);
    Action onTimeout = std::move(m_OnTimeout);
    Clear();
    if (message.IsResult())
        onResult(message.Positive());
    else
        onTimeout();
    return true;
}

void CReplyWait::Clear() {
    m_Expect = WAIT_NONE;
    m_OnResult = nullptr;
    m_OnTimeout = nullptr;
}

} // namespace swpctl
