#include "settings/winmessage.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    int message;
    int code;
    int32_t value;
    bool result, timeout, event, positive;
};

class UdpMessageTest : public ::testing::TestWithParam<Case> {};

TEST_P(UdpMessageTest, CarriesItsCodeAndValueTyped) {
    const Case& c = GetParam();
    const CUdpMessage message(c.message, c.code, c.value);
    EXPECT_EQ(message.Message(), c.message);
    EXPECT_EQ(message.Code(), c.code);
    EXPECT_EQ(message.Value(), c.value);
    EXPECT_EQ(message.IsResult(), c.result);
    EXPECT_EQ(message.IsTimeout(), c.timeout);
    EXPECT_EQ(message.IsEvent(), c.event);
    EXPECT_EQ(message.Positive(), c.positive);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, UdpMessageTest,
    ::testing::Values(Case{UM_UDP_RESULT, WAIT_LOGIN, 1, true, false, false, true},
                      Case{UM_UDP_RESULT, WAIT_IP_SETTING, 0, true, false, false, false},
                      Case{UM_UDP_RESULT, WAIT_WPS_PIN, 2, true, false, false, true},
                      Case{UM_UDP_TIMEOUT, WAIT_DISCOVER, 0, false, true, false, false},
                      Case{UM_UDP_EVENT, 0x96, -2, false, false, true, true}));

} // namespace
