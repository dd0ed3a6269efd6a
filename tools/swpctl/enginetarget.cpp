#include "tools/swpctl/enginetarget.h"

#include "settings/debug.h"

namespace swpctl {

CEngineTarget::CEngineTarget(QObject* parent) : QObject(parent), m_Engine(this) {
    connect(&m_Runner, &CRequestRunner::LoggingIn, this, [] { DebugLog("swpctl: log in again"); });
}

CEngineTarget::~CEngineTarget() = default;

bool CEngineTarget::event(QEvent* e) {
    const int type = static_cast<int>(e->type());
    if (type != UM_UDP_RESULT && type != UM_UDP_TIMEOUT && type != UM_UDP_EVENT)
        return QObject::event(e);
    const auto* message = dynamic_cast<const CUdpMessage*>(e);
    if (!message || m_Done || m_Runner.Handle(*message) || m_Wait.Deliver(*message))
        return true;
    DebugLog("swpctl: ignore %d: %d, %d", type, message->Code(), message->Value());
    return true;
}

void CEngineTarget::Await(int code, ResultHandler onResult, Action onTimeout) {
    m_Wait.Await(code, std::move(onResult), std::move(onTimeout));
}

void CEngineTarget::StopListening() {
    m_Done = true;
    m_Runner.Stop();
    m_Wait.Clear();
}

} // namespace swpctl
