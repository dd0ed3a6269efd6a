// The request runner fed with scripted engine messages: which requests go out
// after each message, and how the run ends. The engine has no sockets here;
// the script stands for the device.

#include "protocol/formudp.h"
#include "protocol/wpsstatus.h"
#include "requests/requestplans.h"
#include "requests/requestrunner.h"
#include "settings/globalvar.h"
#include "settings/timing.h"
#include "tests/common/logcapture.h"
#include "tests/protocol/enginetest.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using Outcome = RequestResult::Outcome;

struct Step {
    int message; // UM_UDP_RESULT, UM_UDP_TIMEOUT or UM_UDP_EVENT
    int code;
    int32_t value;
    QStringList sent; // what goes out in answer
};

Step Result(int code, int32_t result, QStringList sent = {}) {
    return {UM_UDP_RESULT, code, result, std::move(sent)};
}
Step Timeout(int code, QStringList sent = {}) {
    return {UM_UDP_TIMEOUT, code, 0, std::move(sent)};
}
Step Status(int status, QStringList sent = {}) {
    return {UM_UDP_EVENT, swp::TLVTYPE_OTHER_WPS_STATUS, status, std::move(sent)};
}

struct Case {
    const char* name;
    RequestPlan plan;
    bool loggedIn;
    QStringList first; // what Start sends
    std::vector<Step> script;
    Outcome outcome;
    int code = WAIT_NONE; // the request that was refused or timed out
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

RequestPlan Plan(int code) {
    RequestPlan plan;
    plan.code = code;
    plan.wait = Waits::Setting;
    plan.send = [](TFormUDP&) { DebugLog("request"); };
    return plan;
}

RequestPlan Wps(bool accessPoint) {
    RequestPlan plan = Plan(WAIT_WPS_PBC);
    plan.followWpsStatus = true;
    plan.rereadOnConfigured = accessPoint;
    return plan;
}

RequestPlan Reloging(RequestPlan plan) {
    plan.reloginForReread = true;
    return plan;
}

RequestPlan NoLogout(RequestPlan plan) {
    plan.logoutBeforeRelogin = false;
    return plan;
}

const QString kLogin = QStringLiteral("TFormUDP::SendLogin()");
const QString kLogout = QStringLiteral("TFormUDP::SendLogout()");
const QString kGetConfig = QStringLiteral("TFormUDP::SendGetConfig()");
const QString kRequest = QStringLiteral("request");
constexpr int kSet = WAIT_IP_SETTING;

std::vector<Case> Cases() {
    return {
        {"AcceptedThenReread",
         Plan(kSet),
         true,
         {kRequest},
         {Result(kSet, 1, {kGetConfig}), Result(WAIT_GET_CONFIG, 1)},
         Outcome::Done},
        {"LoggedOutLogsInFirst",
         Plan(kSet),
         false,
         {kLogin},
         {Result(WAIT_LOGIN, 1, {kRequest}), Result(kSet, 1, {kGetConfig}),
          Result(WAIT_GET_CONFIG, 1)},
         Outcome::Done},
        {"Refused", Plan(kSet), true, {kRequest}, {Result(kSet, 0)}, Outcome::Refused, kSet},
        {"LostReplyLogsOutAndInOnce",
         Plan(kSet),
         true,
         {kRequest},
         {Timeout(kSet, {kLogout, kLogin}), Result(WAIT_LOGIN, 1, {kRequest}), Timeout(kSet)},
         Outcome::TimedOut,
         kSet},
        {"ReloginWithoutLogout",
         NoLogout(Plan(kSet)),
         true,
         {kRequest},
         {Timeout(kSet, {kLogin}), Result(WAIT_LOGIN, 1, {kRequest}), Result(kSet, 1, {kGetConfig}),
          Result(WAIT_GET_CONFIG, 1)},
         Outcome::Done},
        {"ReloginRefused",
         Plan(kSet),
         true,
         {kRequest},
         {Timeout(kSet, {kLogout, kLogin}), Result(WAIT_LOGIN, 0)},
         Outcome::LoginRefused},
        {"LoginTimesOut",
         Plan(kSet),
         false,
         {kLogin},
         {Timeout(WAIT_LOGIN)},
         Outcome::TimedOut,
         WAIT_LOGIN},
        {"LostRereadFails",
         Plan(kSet),
         true,
         {kRequest},
         {Result(kSet, 1, {kGetConfig}), Timeout(WAIT_GET_CONFIG)},
         Outcome::TimedOut,
         WAIT_GET_CONFIG},
        {"LostRereadLogsInAgain",
         Reloging(Plan(kSet)),
         true,
         {kRequest},
         {Result(kSet, 1, {kGetConfig}), Timeout(WAIT_GET_CONFIG, {kLogout, kLogin}),
          Result(WAIT_LOGIN, 1, {kGetConfig}), Result(WAIT_GET_CONFIG, 1)},
         Outcome::Done},
        {"StaleMessagesChangeNothing",
         Plan(kSet),
         true,
         {kRequest},
         {Result(WAIT_GET_CONFIG, 1), Timeout(WAIT_LOGIN), Status(swp::WPS_STATUS_CONFIGURED),
          Result(kSet, 0)},
         Outcome::Refused,
         kSet},
        {"WpsConfiguredOnABridgeEndsAtOnce",
         Wps(false),
         true,
         {kRequest},
         {Status(swp::WPS_STATUS_START), Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_START),
          Status(10), Status(swp::WPS_STATUS_CONFIGURED)},
         Outcome::Done},
        {"WpsConfiguredOnAnAccessPointReads",
         Wps(true),
         true,
         {kRequest},
         {Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_CONFIGURED, {kGetConfig}),
          Result(WAIT_GET_CONFIG, 1)},
         Outcome::Done},
        {"WpsIdleAfterStart",
         Wps(true),
         true,
         {kRequest},
         {Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_START),
          Status(swp::WPS_STATUS_IDLE, {kGetConfig}), Result(WAIT_GET_CONFIG, 1)},
         Outcome::Done},
        {"WpsIdleWithoutStart",
         Wps(true),
         true,
         {kRequest},
         {Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_IDLE)},
         Outcome::WpsIdleUnstarted},
        {"WpsFail",
         Wps(false),
         true,
         {kRequest},
         {Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_FAIL)},
         Outcome::WpsFailed},
    };
}

class RequestRunnerScript : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        TestApp();
        Timing::SetSpeedup(1000);
    }
    void TearDown() override { Timing::SetSpeedup(1); }

    QStringList Sent() const {
        QStringList sent;
        for (const QString& line : Log.Lines())
            if (line == kLogin || line == kLogout || line == kGetConfig || line == kRequest)
                sent.append(line);
        return sent;
    }
    // Runs the event loop until count requests have gone out in all or the run ended.
    void Settle(qsizetype count) {
        WaitFor([&] { return Sent().size() >= count || !Runner.Running(); }, 2000);
    }

    CLogCapture Log;
    TFormUDP Engine{nullptr};
    CRequestRunner Runner;
};

TEST_P(RequestRunnerScript, Runs) {
    const Case& c = GetParam();
    std::optional<RequestResult> result;
    QObject::connect(&Runner, &CRequestRunner::Finished,
                     [&](const RequestResult& done) { result = done; });
    Engine.LoggedIn = c.loggedIn;
    Runner.Start(&Engine, c.plan);
    QStringList expected = c.first;
    EXPECT_EQ(Sent(), expected);
    for (const Step& step : c.script) {
        ASSERT_FALSE(result) << "ended before the script did";
        if (step.message == UM_UDP_RESULT && step.code == WAIT_LOGIN && step.value != 0)
            Engine.LoggedIn = true; // as the engine does on a positive login reply
        Runner.Handle(CUdpMessage(step.message, step.code, step.value));
        expected += step.sent;
        Settle(expected.size());
        EXPECT_EQ(Sent(), expected) << step.message << ", " << step.code;
    }
    WaitFor([&] { return result.has_value(); }, 2000);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, c.outcome);
    EXPECT_EQ(result->code, c.code);
    EXPECT_FALSE(Runner.Running());
}

INSTANTIATE_TEST_SUITE_P(Plans, RequestRunnerScript, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RequestRunner, WithoutAnEngineItEndsAtOnce) {
    TestApp();
    CRequestRunner runner;
    std::optional<RequestResult> result;
    QObject::connect(&runner, &CRequestRunner::Finished,
                     [&](const RequestResult& done) { result = done; });
    runner.Start(nullptr, RequestPlans::IPSetting());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, Outcome::NoEngine);
}

TEST(RequestRunner, StoppedInAPauseSendsNothingMore) {
    TestApp();
    Timing::SetSpeedup(1000);
    CLogCapture log;
    TFormUDP engine(nullptr);
    engine.LoggedIn = true;
    CRequestRunner runner;
    bool finished = false;
    QObject::connect(&runner, &CRequestRunner::Finished, [&] { finished = true; });
    runner.Start(&engine, Plan(kSet));
    runner.Handle(CUdpMessage(UM_UDP_RESULT, kSet, 1)); // the pause begins
    runner.Stop();
    WaitFor([] { return false; }, 20); // longer than the pause
    EXPECT_FALSE(log.Contains(kGetConfig));
    EXPECT_FALSE(finished);
    Timing::SetSpeedup(1);
}

// The pauses the device is given never end before their time: from the
// message that begins one to the re-read that ends it, on the program's own
// clock (the timing seam), many times over. Only a lower bound is checked.
struct PauseCase {
    const char* name;
    RequestPlan plan;
    std::vector<Step> script; // the last step begins the pause
    int pauseMs;
};

void PrintTo(const PauseCase& c, std::ostream* os) {
    *os << c.name;
}

class RequestRunnerPause : public ::testing::TestWithParam<PauseCase> {};

TEST_P(RequestRunnerPause, NeverEndsEarly) {
    const PauseCase& c = GetParam();
    TestApp();
    Timing::SetSpeedup(250);
    CLogCapture log;
    TFormUDP engine{nullptr};
    CRequestRunner runner;
    for (int run = 0; run < 8; ++run) {
        engine.LoggedIn = true;
        engine.PendingRequest = WAIT_NONE;
        runner.Start(&engine, c.plan);
        uint32_t begun = 0;
        for (const Step& step : c.script) {
            begun = Timing::TickCount();
            runner.Handle(CUdpMessage(step.message, step.code, step.value));
        }
        ASSERT_TRUE(WaitFor([&] { return engine.PendingRequest == WAIT_GET_CONFIG; }, 5000));
        EXPECT_GE(Timing::TickCount() - begun, static_cast<uint32_t>(c.pauseMs)) << "run " << run;
        runner.Stop();
    }
    Timing::SetSpeedup(1);
}

// The engine's own wait for a reply, through the same seam.
TEST(EngineWait, NeverEndsEarly) {
    TestApp();
    Timing::SetSpeedup(250);
    CMessageTarget target;
    TFormUDP engine{&target};
    for (int run = 0; run < 8; ++run) {
        const uint32_t begun = Timing::TickCount();
        engine.SendLogin(Waits::Login);
        ASSERT_TRUE(WaitFor([&] { return !engine.IsWaiting(); }, 5000));
        EXPECT_GE(Timing::TickCount() - begun, static_cast<uint32_t>(Waits::Login))
            << "run " << run;
        const std::vector<PostedMessage> timeout = {{UM_UDP_TIMEOUT, WAIT_LOGIN, 0}};
        EXPECT_EQ(timeout, target.Take());
    }
    Timing::SetSpeedup(1);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, RequestRunnerPause,
    ::testing::Values(
        PauseCase{"AfterASetting", Plan(kSet), {Result(kSet, 1)}, Waits::SettingPause},
        PauseCase{
            "AfterWpsIdle",
            Wps(true),
            {Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_START), Status(swp::WPS_STATUS_IDLE)},
            Waits::WpsIdlePause},
        PauseCase{"AfterWpsConfigured",
                  Wps(true),
                  {Result(WAIT_WPS_PBC, 1), Status(swp::WPS_STATUS_CONFIGURED)},
                  Waits::WpsConfiguredPause}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
