#include "requests/requestrunner.h"

#include "protocol/formudp.h"
#include "protocol/packet.h"
#include "protocol/wpsstatus.h"
#include "settings/timing.h"

CRequestRunner::CRequestRunner(QObject* parent) : QObject(parent) {
    connect(&m_StatusLimit, &CWaitTimer::Elapsed, this, [this] {
        m_Following = false;
        Finish(RequestResult::WpsNoFinalStatus);
    });
    connect(&m_Pause, &CWaitTimer::Elapsed, this, [this] {
        std::function<void()> then = std::move(m_AfterPause);
        m_AfterPause = nullptr;
        if (then)
            then();
    });
}

CRequestRunner::~CRequestRunner() = default;

void CRequestRunner::Start(TFormUDP* engine, RequestPlan plan) {
    Reset();
    m_Engine = engine;
    m_Plan = std::move(plan);
    m_Running = true;
    m_RetryLogin = true;
    m_WpsStarted = false; // a status 3 of an earlier run never counts
    if (!m_Engine) {
        Finish(RequestResult::NoEngine);
        return;
    }
    SendRequest();
}

void CRequestRunner::Stop() {
    Reset();
}

void CRequestRunner::Reset() {
    m_Running = false;
    m_Following = false;
    m_Stage = Stage::None;
    m_Expect = WAIT_NONE;
    m_Reread = false;
    m_FinalStatus = 0;
    m_StatusLimit.Stop();
    m_Pause.Stop();
    m_AfterPause = nullptr;
}

void CRequestRunner::SendRequest() {
    if (!m_Engine->LoggedIn) {
        Login(false, AfterLogin::Request);
        return;
    }
    if (m_Plan.send)
        m_Plan.send(*m_Engine);
    Expect(Stage::Request, m_Plan.code);
}

void CRequestRunner::Login(bool logoutFirst, AfterLogin next) {
    if (!m_RetryLogin) {
        Finish(RequestResult::LoginLost);
        return;
    }
    m_RetryLogin = false;
    emit LoggingIn();
    if (logoutFirst)
        m_Engine->SendLogout(0);
    m_Engine->SendLogin(Waits::Login);
    m_AfterLogin = next;
    Expect(Stage::Login, WAIT_LOGIN);
}

void CRequestRunner::Reread() {
    if (m_Plan.reloginForReread && !m_Engine->LoggedIn) {
        Login(false, AfterLogin::Reread);
        return;
    }
    m_Engine->SendGetConfig(Waits::GetConfig);
    Expect(Stage::Reread, WAIT_GET_CONFIG);
}

void CRequestRunner::ReadBack(int pauseBefore, int pauseAfter) {
    m_PauseAfterReread = pauseAfter;
    if (pauseBefore > 0)
        Pause(pauseBefore, [this] { Reread(); });
    else
        Reread();
}

void CRequestRunner::Pause(int ms, std::function<void()> then) {
    m_Stage = Stage::None;
    m_Expect = WAIT_NONE;
    m_AfterPause = std::move(then);
    m_Pause.Start(ms);
}

void CRequestRunner::Expect(Stage stage, int code) {
    m_Stage = stage;
    m_Expect = code;
}

bool CRequestRunner::Handle(const CUdpMessage& message) {
    if (!m_Running)
        return false;
    if (message.IsEvent()) {
        if (!m_Following || message.Code() != swp::TLVTYPE_OTHER_WPS_STATUS)
            return false;
        OnStatus(message.Value());
        return true;
    }
    if ((!message.IsResult() && !message.IsTimeout()) || m_Stage == Stage::None ||
        message.Code() != m_Expect)
        return false;
    m_Expect = WAIT_NONE;
    if (message.IsResult())
        OnResult(message.Positive());
    else
        OnTimeout();
    return true;
}

void CRequestRunner::OnResult(bool positive) {
    const Stage stage = m_Stage;
    m_Stage = Stage::None;
    switch (stage) {
    case Stage::Login:
        if (!positive)
            Finish(RequestResult::LoginRefused);
        else if (m_AfterLogin == AfterLogin::Request)
            SendRequest();
        else
            Reread();
        return;
    case Stage::Request:
        if (!positive) {
            Finish(RequestResult::Refused, m_Plan.code, m_Plan.wait);
        } else if (m_Plan.followWpsStatus) {
            m_Following = true;
            m_StatusLimit.Start(Waits::WpsStatusLimit);
            emit WpsAccepted();
        } else {
            ReadBack(m_Plan.pauseBeforeReread, m_Plan.pauseAfterReread);
        }
        return;
    case Stage::Reread:
        if (!positive) {
            // No configuration value could be read from the reply.
            Finish(RequestResult::Unusable, WAIT_GET_CONFIG, Waits::GetConfig);
            return;
        }
        m_Reread = true;
        if (m_PauseAfterReread > 0)
            Pause(m_PauseAfterReread, [this] { Finish(RequestResult::Done); });
        else
            Finish(RequestResult::Done);
        return;
    case Stage::None:
        return;
    }
}

void CRequestRunner::OnTimeout() {
    const Stage stage = m_Stage;
    m_Stage = Stage::None;
    switch (stage) {
    case Stage::Request:
        if (m_RetryLogin)
            Login(m_Plan.logoutBeforeRelogin, AfterLogin::Request);
        else
            Finish(RequestResult::TimedOut, m_Plan.code, m_Plan.wait);
        return;
    case Stage::Login:
        Finish(RequestResult::TimedOut, WAIT_LOGIN, Waits::Login);
        return;
    case Stage::Reread:
        if (m_Plan.reloginForReread && m_RetryLogin)
            Login(true, AfterLogin::Reread);
        else
            Finish(RequestResult::TimedOut, WAIT_GET_CONFIG, Waits::GetConfig);
        return;
    case Stage::None:
        return;
    }
}

void CRequestRunner::OnStatus(int status) {
    emit StatusSeen(status);
    if (!m_Running)
        return;
    switch (status) {
    case swp::WPS_STATUS_IDLE:
        m_Following = false;
        m_StatusLimit.Stop();
        m_FinalStatus = status;
        // Idle ends a pairing only when this run saw it start, and not too long ago.
        if (!m_WpsStarted)
            Finish(RequestResult::WpsIdleUnstarted);
        else if (Timing::TickCount() - m_WpsStartTick > static_cast<uint32_t>(Waits::WpsIdleWindow))
            Finish(RequestResult::WpsIdleLate);
        else
            ReadBack(Waits::WpsIdlePause, 0);
        return;
    case swp::WPS_STATUS_FAIL:
        m_Following = false;
        m_StatusLimit.Stop();
        m_FinalStatus = status;
        Finish(RequestResult::WpsFailed);
        return;
    case swp::WPS_STATUS_START:
        m_WpsStartTick = Timing::TickCount();
        m_WpsStarted = true;
        return;
    case swp::WPS_STATUS_CONFIGURED:
        m_Following = false;
        m_StatusLimit.Stop();
        m_FinalStatus = status;
        if (m_Plan.rereadOnConfigured)
            ReadBack(Waits::WpsConfiguredPause, 0);
        else
            Finish(RequestResult::Done);
        return;
    default:
        return;
    }
}

void CRequestRunner::Finish(RequestResult::Outcome outcome, int code, int wait) {
    RequestResult result;
    result.outcome = outcome;
    result.code = code;
    result.wait = wait;
    result.wpsStatus = m_FinalStatus;
    result.reread = m_Reread;
    Reset();
    emit Finished(result);
}
