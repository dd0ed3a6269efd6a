// The static address rules shared by the IP settings page and swpctl: each
// rule refuses its example, in the page's order, and the dotted-quad text
// helpers they are fed from.

#include "settings/iprules.h"
#include "settings/textutil.h"

#include <gtest/gtest.h>

namespace {

AddressEntry Entry(const char* text) {
    uint32_t value = 0;
    if (!*text)
        return {};
    if (!ParseDotted(QString::fromLatin1(text), value))
        return {AddressEntry::State::Partial, 0};
    return AddressEntry::Of(value);
}

TEST(IPRules, EachRuleRefusesItsExampleInOrder) {
    const uint32_t local = 0x0A5B0101; // 10.91.1.1
    const struct {
        const char* ip;
        const char* mask;
        const char* gateway;
        IPRule rule;
    } cases[] = {
        {"", "255.0.0.0", "", IPRule::AddressIncomplete},
        {"10.1.2", "255.0.0.0", "", IPRule::AddressIncomplete},
        {"0.1.2.3", "255.0.0.0", "", IPRule::AddressNotHost},
        {"127.0.0.5", "255.0.0.0", "", IPRule::AddressNotHost},
        {"224.0.0.1", "", "", IPRule::AddressNotHost}, // before the mask
        {"192.168.1.10", "", "", IPRule::MaskIncomplete},
        {"192.168.1.10", "255.0.255.0", "", IPRule::MaskNotContiguous},
        {"192.168.1.10", "255.255.255.255", "", IPRule::MaskNotContiguous},
        {"192.168.1.0", "255.255.255.0", "", IPRule::AddressNotInSubnet},
        {"192.168.1.255", "255.255.255.0", "", IPRule::AddressNotInSubnet},
        {"10.91.1.1", "255.255.255.0", "", IPRule::SameAsLocalHost},
        {"10.91.1.1", "255.255.255.0", "10.91.1", IPRule::SameAsLocalHost},
        {"192.168.1.10", "255.255.255.0", "", IPRule::Accepted},
        {"192.168.1.10", "255.255.255.0", "192.168.1", IPRule::GatewayIncomplete},
        {"192.168.1.10", "255.255.255.0", "192.168.2.1", IPRule::GatewayOtherSubnet},
        {"192.168.1.10", "255.255.255.0", "192.168.1.0", IPRule::GatewayNotHostOfSubnet},
        {"192.168.1.10", "255.255.255.0", "192.168.1.255", IPRule::GatewayNotHostOfSubnet},
        {"192.168.1.10", "255.255.255.0", "192.168.1.10", IPRule::GatewayNotAHost},
        {"100.0.0.1", "128.0.0.0", "127.0.0.1", IPRule::GatewayNotAHost},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", IPRule::Accepted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " / " + c.mask + " / " + c.gateway);
        EXPECT_EQ(CheckStaticAddress({Entry(c.ip), Entry(c.mask), Entry(c.gateway), local}),
                  c.rule);
    }
}

TEST(IPRules, MessagesByField) {
    EXPECT_EQ(RuleMessage(IPRule::AddressNotInSubnet), "The IP Address entered is invalid.");
    EXPECT_EQ(RuleMessage(IPRule::MaskIncomplete), "The Subnet Mask entered is invalid.");
    EXPECT_EQ(RuleMessage(IPRule::SameAsLocalHost), "The IP Address is the same as local host IP.");
    EXPECT_EQ(RuleMessage(IPRule::GatewayNotAHost), "The Default Gateway entered is invalid.");
    EXPECT_EQ(WithoutBroadcastOctet(0x0A0000FF), 0x0A0000FEu);
    EXPECT_EQ(WithoutBroadcastOctet(0x0A0000FE), 0x0A0000FEu);
}

TEST(DottedText, ParsesOnlyFourDecimalOctets) {
    const struct {
        const char* text;
        bool ok;
        uint32_t value;
    } cases[] = {
        {"192.168.1.10", true, 0xC0A8010A},
        {" 10.0.0.1 ", true, 0x0A000001},
        {"255.255.255.255", true, ~0u},
        {"1.2.3", false, 0},
        {"1.2.3.4.5", false, 0},
        {"1.2.3.256", false, 0},
        {"1.2.3.0004", false, 0},
        {"1.2.3.-4", false, 0},
        {"1..3.4", false, 0},
        {"a.b.c.d", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t value = 0;
        EXPECT_EQ(ParseDotted(QString::fromLatin1(c.text), value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(DottedText(value), QString::fromLatin1(c.text).trimmed());
        }
    }
}

} // namespace
