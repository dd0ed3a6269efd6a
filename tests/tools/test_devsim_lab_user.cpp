// The host side as a desktop user runs it: not root, in swp-host of a lab
// whose simulators scripts/lab started (--sim dev1=lab-user.json).

#include "protocol/packet.h"
#include "tests/common/labsim.h"
#include "tests/tools/labsocket.h"

#include <gtest/gtest.h>

#include <QDir>
#include <set>
#include <unistd.h>

using namespace swp;

namespace {

constexpr int kReplyWaitMs = 5000;
const uint8_t kHostMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

TEST(DevsimLabUser, UnprivilegedAdapterSocketHearsUnicastAndBroadcastReplies) {
    SWP_REQUIRE_LAB();
    ASSERT_NE(0u, ::geteuid()) << "this test is meant to run as an unprivileged user";
    EXPECT_TRUE(QDir(qEnvironmentVariable("HOME")).exists());

    CLabSocket socket;
    ASSERT_EQ("", socket.Open("swpa0"));
    ASSERT_TRUE(socket.Broadcast(BuildDiscover(kHostMac).Bytes()));
    std::set<std::string> names;
    for (int n = 0; n < 2; ++n) {
        const std::optional<LabDatagram> reply = socket.Receive(kReplyWaitMs);
        ASSERT_TRUE(reply.has_value()) << "replies so far: " << names.size();
        PacketHeader header{};
        ASSERT_TRUE(ParseHeader(reply->bytes.data(), reply->bytes.size(), header));
        WalkTLVs(reply->bytes.data() + kHeaderSize, header.payloadLength, [&](const Tlv& tlv) {
            if (tlv.type == DEVICE_NAME)
                names.insert(std::string(reinterpret_cast<const char*>(tlv.value), tlv.length));
        });
    }
    EXPECT_EQ((std::set<std::string>{"User-AP", "User-Bridge"}), names);

    // The journal of the lab's simulator is readable by the user.
    const QString journal = qEnvironmentVariable("SWP_LAB_DIR") + "/journal-dev1.jsonl";
    const auto twoSent = [](const QList<QJsonObject>& lines) {
        int sent = 0;
        for (const QJsonObject& line : lines)
            sent += line["dir"].toString() == "tx" ? 1 : 0;
        return sent == 2;
    };
    EXPECT_TRUE(WaitForJournal(journal, twoSent, kReplyWaitMs));
}

} // namespace
