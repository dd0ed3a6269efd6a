#include "settings/wirelessrules.h"

#include <gtest/gtest.h>

namespace {

using namespace wirelessrules;

// The device reads each text up to its first NUL: a text holding one is
// refused, never sent cut short.
TEST(WirelessRules, TextsWithANulAreRefused) {
    const QString nul = QString(QChar(0));
    const struct {
        const char* name;
        bool refused;
    } cases[] = {
        {"SSID", CheckSsid(QByteArray("ho\0tel", 6)) == SsidFault::Nul},
        {"SSID of one NUL", CheckSsid(QByteArray(1, '\0')) == SsidFault::Nul},
        {"passphrase", CheckPassphrase("abc" + nul + "defghij") == PassphraseFault::Nul},
        {"hex passphrase", CheckPassphrase(QString(63, 'a') + nul) == PassphraseFault::Nul},
        {"WEP key", CheckWepKey("ab" + nul + "de", 0) == WepKeyFormat::Invalid},
        {"long WEP key", CheckWepKey("thirteen" + nul + "char", 1) == WepKeyFormat::Invalid},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(c.refused) << c.name;
    EXPECT_EQ(SsidMessage(SsidFault::Nul), "The SSID must not contain a NUL character (\\0).");
    EXPECT_EQ(PassphraseMessage(PassphraseFault::Nul),
              "The passphrase must not contain a NUL character (\\0).");
    EXPECT_EQ(CheckSsid("hotel"), SsidFault::None);
    EXPECT_EQ(CheckPassphrase("abcdefghij"), PassphraseFault::None);
}

} // namespace
