#pragma once
// What every swpctl run that talks to devices shares: the protocol engine,
// whose results, time-outs and events are posted to this object; the request
// runner, which takes those of the request sequence it runs; and the one
// reply awaited outside a sequence. Messages for none of them are stale.

#include "protocol/formudp.h"
#include "requests/requestrunner.h"
#include "tools/swpctl/output.h"
#include "tools/swpctl/replywait.h"

#include <QObject>
#include <QString>

namespace swpctl {

class CEngineTarget : public QObject {
    Q_OBJECT

public:
    explicit CEngineTarget(QObject* parent = nullptr);
    ~CEngineTarget() override;

    TFormUDP& Engine() { return m_Engine; }

protected:
    using ResultHandler = CReplyWait::ResultHandler;
    using Action = CReplyWait::Action;

    bool event(QEvent* e) override;
    // Expect the result of the request with this code next; any other result
    // or time-out is stale and ignored.
    void Await(int code, ResultHandler onResult, Action onTimeout);
    // After the run has ended, the engine's late messages are dropped.
    void StopListening();
    bool Done() const { return m_Done; }

    TFormUDP m_Engine;
    CRequestRunner m_Runner;
    CReplyWait m_Wait;

private:
    bool m_Done = false;
};

} // namespace swpctl
