#pragma once
// CRequestRunner: one request sequence against the protocol engine, the same
// for every page and for swpctl: log in if the engine is not logged in, send
// the request, wait for its reply, log in again once when the reply is lost,
// and once the device accepted the request pause and read the configuration
// again (a WPS request first follows the device's status events). The owner
// passes every engine message to Handle; pauses and limits are timers through
// the timing seam, never blocking waits. The run ends with one Finished
// report; the owner decides what the user sees.

#include "requests/waits.h"
#include "settings/waittimer.h"
#include "settings/winmessage.h"

#include <QObject>
#include <cstdint>
#include <functional>

class TFormUDP;

// What one run sends and how it goes on; the callers differ only here.
struct RequestPlan {
    int code = WAIT_NONE;                // the pending-request code of its reply
    int wait = 0;                        // the request's wait, for the report
    std::function<void(TFormUDP&)> send; // sends the request with its wait
    bool logoutBeforeRelogin = true;     // a lost reply: log out before logging in again
    int pauseBeforeReread = Waits::SettingPause;
    int pauseAfterReread = 0;
    // The re-read too logs in first when logged out, and logs in again once
    // when its reply is lost (if that one login is still left).
    bool reloginForReread = false;
    // WPS: an accepted request is followed by the device's status events.
    bool followWpsStatus = false;
    bool rereadOnConfigured = true; // status 34 reads back (access point) or ends at once
};

struct RequestResult {
    enum Outcome {
        Done,
        NoEngine,
        Refused,          // the device answered the request with 0
        TimedOut,         // code and wait say which reply did not come
        Unusable,         // the reply with this code held nothing that could be read
        LoginRefused,     // the (re-)login was answered with 0
        LoginLost,        // not logged in and the one login already used
        WpsFailed,        // status 2
        WpsIdleLate,      // status 1 too long after status 3
        WpsIdleUnstarted, // status 1 without status 3 in this run
        WpsNoFinalStatus  // no final status within the status limit
    };
    Outcome outcome = Done;
    int code = WAIT_NONE;
    int wait = 0;
    int wpsStatus = 0;   // WPS: the status that ended the run
    bool reread = false; // the configuration was read again
    bool Ok() const { return outcome == Done; }
};

class CRequestRunner : public QObject {
    Q_OBJECT

public:
    explicit CRequestRunner(QObject* parent = nullptr);
    ~CRequestRunner() override;

    // Begins a run; a null engine ends it at once with NoEngine.
    void Start(TFormUDP* engine, RequestPlan plan);
    // Ends the run without a report (the owner's own limit).
    void Stop();
    // An engine message; true when it belonged to the run.
    bool Handle(const CUdpMessage& message);

    bool Running() const { return m_Running; }
    bool FollowingStatus() const { return m_Following; }

signals:
    void LoggingIn();
    void WpsAccepted();
    void StatusSeen(int status); // before the runner acts on it
    void Finished(const RequestResult& result);

private:
    enum class Stage { None, Request, Login, Reread };
    enum class AfterLogin { Request, Reread };

    void SendRequest();
    void Login(bool logoutFirst, AfterLogin next);
    void Reread();
    void ReadBack(int pauseBefore, int pauseAfter);
    void Pause(int ms, std::function<void()> then);
    void Expect(Stage stage, int code);
    void OnResult(bool positive);
    void OnTimeout();
    void OnStatus(int status);
    void Finish(RequestResult::Outcome outcome, int code = WAIT_NONE, int wait = 0);
    void Reset();

    TFormUDP* m_Engine = nullptr;
    RequestPlan m_Plan;
    bool m_Running = false;
    Stage m_Stage = Stage::None;
    int m_Expect = WAIT_NONE;
    AfterLogin m_AfterLogin = AfterLogin::Request;
    bool m_RetryLogin = false; // one (re-)login per run
    int m_PauseAfterReread = 0;
    bool m_Reread = false;
    int m_FinalStatus = 0;

    bool m_Following = false;
    bool m_WpsStarted = false;   // status 3 came in this run
    uint32_t m_WpsStartTick = 0; // when status 3 last came
    CWaitTimer m_StatusLimit;
    CWaitTimer m_Pause;
    std::function<void()> m_AfterPause;
};
