// The Wireshark dissector (tools/dissector/swp.lua) against the engine: its
// names are the engine's catalogue, and captures written by the engine's
// capture file, well-formed or hostile, read as they should in tshark.

#include "protocol/capturefile.h"
#include "protocol/catalogue.h"
#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "protocol/wpsstatus.h"
#include "settings/debug.h"
#include "tests/dissector/tsharkrun.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>
#include <string>
#include <sys/stat.h>

namespace {

const uint8_t kHostMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x10};
const uint8_t kDeviceMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x01};
constexpr uint32_t kHost = 0x0A000001;   // 10.0.0.1
constexpr uint32_t kDevice = 0x0A000002; // 10.0.0.2
const QByteArray kPassword = "s3cret-pass";
const char kPsk[] = "psk-of-the-lab";

// One table of the Lua file, between its BEGIN and END lines: code -> name.
std::map<int, std::string> LuaTable(const char* block) {
    QFile file(QStringLiteral(SWP_DISSECTOR));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << SWP_DISSECTOR;
    const QString text = QString::fromUtf8(file.readAll());
    const int begin = text.indexOf(QStringLiteral("-- BEGIN %1\n").arg(QLatin1String(block)));
    const int end = text.indexOf(QStringLiteral("-- END %1\n").arg(QLatin1String(block)));
    EXPECT_TRUE(begin >= 0 && end > begin) << block;
    std::map<int, std::string> table;
    static const QRegularExpression entry(
        QStringLiteral(R"re(\[(0x[0-9A-Fa-f]+|\d+)\] = "([^"]*)")re"));
    auto it = entry.globalMatch(text.mid(begin, end - begin));
    while (it.hasNext()) {
        const auto match = it.next();
        table[match.captured(1).toInt(nullptr, 0)] = match.captured(2).toStdString();
    }
    return table;
}

std::map<int, std::string> Catalogue(std::span<const swp::NamedCode> names) {
    std::map<int, std::string> table;
    for (const swp::NamedCode& named : names)
        table[named.code] = named.name;
    return table;
}

TEST(Dissector, NamesAreTheEngineCatalogue) {
    EXPECT_EQ(Catalogue(swp::TlvCatalogue()), LuaTable("TLVS"));
    EXPECT_EQ(Catalogue(swp::OpcodeCatalogue()), LuaTable("OPCODES"));
    std::map<int, std::string> wps;
    for (int status = -1; status < 1024; ++status)
        if (std::string text = swp::WpsStatusText(status); text != "Unknown")
            wps[status] = text;
    EXPECT_EQ(wps, LuaTable("WPS STATUS"));
}

// A capture of datagrams as the engine's capture file writes them.
class CCapture {
public:
    CCapture() : m_Path(m_Dir.filePath(QStringLiteral("c.pcapng"))) {
        m_File = swp::CCaptureFile::Create(m_Path);
    }
    const QString& Path() const { return m_Path; }
    bool Ok() const { return m_File != nullptr; }

    // A datagram of the device to the host (sent = false) or a request.
    void Add(QByteArray bytes, bool sent = false, uint16_t devicePort = swp::kDevicePort) {
        AddOn(std::move(bytes), sent, kHost, sent ? 0xFFFFFFFF : kDevice, devicePort);
    }
    // The same through the adapter with the address host, from or to remote.
    void AddOn(QByteArray bytes, bool sent, uint32_t host, uint32_t remote,
               uint16_t devicePort = swp::kDevicePort, uint16_t hostPort = swp::kHostPort) {
        swp::CapturedDatagram datagram;
        datagram.adapter = host == kHost ? QStringLiteral("lan0") : QStringLiteral("lan1");
        datagram.localAddress = host;
        datagram.localPort = hostPort;
        datagram.remoteAddress = remote;
        datagram.remotePort = devicePort;
        datagram.sent = sent;
        datagram.data = reinterpret_cast<const uint8_t*>(bytes.constData());
        datagram.length = static_cast<int>(bytes.size());
        m_File->Record(datagram);
    }
    void Close() { m_File.reset(); }

private:
    QTemporaryDir m_Dir;
    QString m_Path;
    std::unique_ptr<swp::CCaptureFile> m_File;
};

TEST(Dissector, TheTraceBringsACaptureBesideIt) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("Setup"));
    EXPECT_EQ(nullptr, swp::OpenCaptureBesideTrace(nullptr));
    {
        CDebug off(program); // no Setup.Log: the trace is off, so is the capture
        EXPECT_EQ(nullptr, swp::OpenCaptureBesideTrace(&off));
    }
    QFile log(dir.filePath(QStringLiteral("Setup.Log")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();
    CDebug trace(program);
    ASSERT_TRUE(trace.IsOpen());
    const auto capture = swp::OpenCaptureBesideTrace(&trace);
    ASSERT_NE(nullptr, capture);
    EXPECT_EQ(capture.get(), swp::CCaptureFile::Instance());
    EXPECT_EQ(dir.filePath(QStringLiteral("Setup.pcapng")), capture->Path());
    EXPECT_EQ(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser,
              QFileInfo(capture->Path()).permissions());
}

// The datagram with its payload enciphered with key (a null key: plain, as
// discovery travels).
QByteArray Enciphered(const swp::CPacketBuilder& packet, const QByteArray& key = kPassword) {
    const std::vector<uint8_t> bytes = packet.Bytes();
    QByteArray out(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qsizetype>(bytes.size()));
    if (!key.isNull())
        CryptPayload(reinterpret_cast<uint8_t*>(out.data()), static_cast<size_t>(out.size()), key);
    return out;
}

swp::CPacketBuilder Reply(uint8_t opcode) {
    return swp::CPacketBuilder(kDeviceMac, opcode);
}

QStringList TlvNames(const QJsonObject& swpLayer) {
    QStringList names;
    for (const QJsonValue& tlv : Repeated(swpLayer, QStringLiteral("swp.tlv")))
        names << tlv.toObject()[QStringLiteral("swp.tlv.name")].toString();
    return names;
}

TEST(Dissector, DeciphersWithAListedPasswordAndHidesKeysUnlessAsked) {
    CCapture capture;
    ASSERT_TRUE(capture.Ok());
    WirelessProfile wl{};
    std::strcpy(wl.SSID, "lab-net");
    wl.StdCh = 6;
    wl.WlMode = 9;
    wl.Security = 2;
    wl.WpaMode = 1;
    wl.WpaCipher = 1;
    std::strcpy(wl.WpaKey, kPsk);
    capture.Add(Enciphered(swp::BuildWlSetting(kHostMac, wl)), true);
    swp::CPacketBuilder result = Reply(swp::OP_SET_CONFIG);
    result.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);
    capture.Add(Enciphered(result));
    capture.Close();

    struct stat info {};
    ASSERT_EQ(0, ::stat(QFile::encodeName(capture.Path()).constData(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);

    for (const bool showKeys : {false, true}) {
        CTshark tshark("wrong-one," + kPassword, showKeys);
        ASSERT_TRUE(tshark.Ready());
        const TsharkRun run = tshark.Json(capture.Path());
        ASSERT_EQ(0, run.code) << run.err.toStdString();
        ASSERT_EQ(2, run.packets.size()) << run.out.toStdString();
        const QJsonObject request = Layer(run.packets[0], "swp");
        EXPECT_EQ("listed password 2", request["swp.key"].toString());
        EXPECT_EQ("Request", request["swp.kind"].toString());
        EXPECT_EQ((QStringList{"WL_SSID", "WL_STD_CH", "WL_EXT_CH", "WL_WIRELESS_MODE",
                               "WL_SECURITY_MODE", "WL_WPA_MODE", "WL_WPA_CIPHER", "WL_WPA_PSK"}),
                  TlvNames(request));
        EXPECT_EQ("10.0.0.1", Layer(run.packets[0], "ip")["ip.src"].toString());
        EXPECT_EQ("5432", Layer(run.packets[0], "udp")["udp.dstport"].toString());
        EXPECT_EQ(showKeys, run.out.contains(kPsk)) << "show_keys " << showKeys;
        const QJsonObject reply = Layer(run.packets[1], "swp");
        EXPECT_EQ("1", reply["swp.request_in"].toString());
        EXPECT_EQ("2", request["swp.response_in"].toString());
        EXPECT_EQ((QStringList{"TLVTYPE_OTHER_RESULT"}), TlvNames(reply));
    }
}

TEST(Dissector, HostileDatagramsGiveExpertInfoAndNoLuaError) {
    swp::CPacketBuilder result = Reply(swp::OP_LOGIN);
    result.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);
    swp::CPacketBuilder overrun = Reply(swp::OP_GET_CONFIG);
    overrun.AppendByte(swp::DEVICE_MODE, 1);
    overrun.AppendRaw("\x50\x20lab", 5); // WL_SSID declares 32 bytes, 3 follow
    swp::CPacketBuilder shortAddress = Reply(swp::OP_GET_CONFIG);
    shortAddress.AppendTLV(swp::LAN_IP, "\x0A\x00", 2);
    swp::CPacketBuilder survey = Reply(swp::OP_SITE_SURVEY);
    _tag_AP_ROFIILE ap{};
    std::strcpy(ap.SSID, "near");
    ap.Signal = 70;
    ap.Channel = 6;
    const auto record = swp::EncodeSurveyRecord(ap);
    survey.AppendRaw(record.data(), record.size());
    survey.AppendRaw(record.data(), 20); // a record cut short
    swp::CPacketBuilder trailing = Reply(swp::OP_LOGOUT);
    trailing.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);
    trailing.AppendRaw("\x91", 1);
    swp::CPacketBuilder failed = Reply(swp::OP_SET_CONFIG);
    failed.AppendByte(swp::TLVTYPE_OTHER_RESULT, 0);

    QByteArray longer = Enciphered(result);
    longer.append("\x00\x00\x00", 3); // the header declares 3 bytes, 6 follow
    QByteArray badVersion = Enciphered(result);
    badVersion[8] = 7;

    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expert;
    };
    const Case cases[] = {
        {"length mismatch", longer, "swp.length_mismatch"},
        {"shorter than the header", QByteArray("SWP12345\x02", 9), "swp.short"},
        {"TLV past the payload", Enciphered(overrun), "swp.tlv_overrun"},
        {"fixed-size value too short", Enciphered(shortAddress), "swp.tlv_size"},
        {"survey record cut short", Enciphered(survey), "swp.short_record"},
        {"single trailing byte", Enciphered(trailing), "swp.trailing_byte"},
        {"another password", Enciphered(result, "not-listed"), "swp.undeciphered"},
        {"unknown version", badVersion, "swp.bad_version"},
        {"device refuses", Enciphered(failed), "swp.failed"},
        {"header only", QByteArray("SWP12345\x02\x02\x5A\x00\x00\x00\x01\x07\x00\x00", 18), ""},
    };
    CCapture capture;
    ASSERT_TRUE(capture.Ok());
    for (const Case& c : cases)
        capture.Add(c.bytes, false, swp::kDevicePort);
    capture.Close();

    CTshark tshark(kPassword, false);
    ASSERT_TRUE(tshark.Ready());
    const TsharkRun run = tshark.Json(capture.Path());
    ASSERT_EQ(0, run.code) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QLatin1String("Lua Error"))) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("Lua Error"));
    ASSERT_EQ(static_cast<int>(std::size(cases)), run.packets.size());
    for (size_t n = 0; n < std::size(cases); ++n) {
        const QStringList experts = ExpertNames(run.packets[static_cast<int>(n)]);
        const QString expected = QLatin1String(cases[n].expert);
        EXPECT_EQ(expected.isEmpty() ? QStringList() : QStringList{expected}, experts)
            << cases[n].name;
    }
    const TsharkRun tree = tshark.Tree(capture.Path());
    EXPECT_FALSE(tree.out.contains("Lua Error")) << tree.out.toStdString();
}

TEST(Dissector, PairsRepliesByHostAndAddressedDeviceAndCountsThem) {
    const uint8_t kOtherMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x02};
    constexpr uint32_t kSecondAdapter = 0x0A000101; // 10.0.1.1, reaches no device
    constexpr uint32_t kOtherDevice = 0x0A000003;
    swp::CPacketBuilder discovered = Reply(swp::OP_DISCOVER);
    discovered.AppendText(swp::DEVICE_NAME, "EV\x1b]0;x\x07IL\r\nFAKE");
    swp::CPacketBuilder refused(kOtherMac, swp::OP_LOGIN);
    refused.AppendByte(swp::TLVTYPE_OTHER_RESULT, 0);
    swp::CPacketBuilder accepted = Reply(swp::OP_LOGIN);
    accepted.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);
    swp::CPacketBuilder config = Reply(swp::OP_GET_CONFIG);
    config.AppendByte(swp::DEVICE_MODE, 1);
    config.AppendByte(swp::IP_MODE, 0);
    swp::CPacketBuilder loggedOut = Reply(swp::OP_LOGOUT);
    loggedOut.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);

    struct Frame {
        QByteArray bytes;
        bool sent;
        uint32_t host;
        uint32_t remote;
        const char* pairing; // the frame's pairing fields
        uint16_t port = 0;   // both UDP ports, when not the protocol's
    };
    const Frame frames[] = {
        {Enciphered(swp::BuildDiscover(kHostMac)), true, kHost, 0xFFFFFFFF, "dir=2 response_in=3"},
        {Enciphered(swp::BuildDiscover(kHostMac)), true, kSecondAdapter, 0xFFFFFFFF,
         "dir=2 copy_of=1 answered_in=3"},
        {Enciphered(discovered, {}), false, kHost, kDevice, "dir=1 request_in=1"},
        {Enciphered(swp::BuildLogin(kHostMac, kDeviceMac)), true, kHost, 0xFFFFFFFF,
         "dir=2 addressed=02:5a:00:00:00:01 response_in=6"},
        {Enciphered(refused), false, kHost, kOtherDevice, "dir=1 unpaired"},
        {Enciphered(accepted), false, kHost, kDevice, "dir=1 request_in=4"},
        {Enciphered(swp::BuildGetConfig(kHostMac)), true, kHost, 0xFFFFFFFF,
         "dir=2 addressed=02:5a:00:00:00:01 answered_in=9"},
        {Enciphered(swp::BuildGetConfig(kHostMac)), true, kHost, 0xFFFFFFFF,
         "dir=2 addressed=02:5a:00:00:00:01 retransmission_of=7 response_in=9"},
        {Enciphered(config), false, kHost, kDevice, "dir=1 request_in=8"},
        {Enciphered(swp::BuildSetMode(kHostMac, 2)), true, kHost, 0xFFFFFFFF,
         "dir=2 addressed=02:5a:00:00:00:01 unanswered"},
        {Enciphered(loggedOut), false, kHost, kDevice, "dir=1 unpaired"},
        // On other ports: found by the heuristic.
        {Enciphered(loggedOut), false, kHost, kDevice, "dir=1 unpaired", 6000},
    };
    CCapture capture;
    ASSERT_TRUE(capture.Ok());
    QStringList expected;
    for (const Frame& frame : frames) {
        if (frame.port != 0)
            capture.AddOn(frame.bytes, frame.sent, frame.host, frame.remote, frame.port,
                          frame.port);
        else
            capture.AddOn(frame.bytes, frame.sent, frame.host, frame.remote);
        expected << QLatin1String(frame.pairing);
    }
    capture.Close();

    CTshark tshark(kPassword, false);
    ASSERT_TRUE(tshark.Ready());
    const QStringList names{"dir",        "addressed",   "retransmission_of",
                            "copy_of",    "response_in", "answered_in",
                            "request_in", "unanswered",  "unpaired"};
    const TsharkRun run = tshark.Fields(
        capture.Path(),
        {"frame.packet_flags_direction", "swp.addressed", "swp.retransmission_of", "swp.copy_of",
         "swp.response_in", "swp.answered_in", "swp.request_in", "swp.unanswered", "swp.unpaired"});
    ASSERT_EQ(0, run.code) << run.err.toStdString();
    QStringList got = PairingLines(run, names);
    for (QString& line : got)
        line.replace(QStringLiteral("dir=0x00000002"), QStringLiteral("dir=2"))
            .replace(QStringLiteral("dir=0x00000001"), QStringLiteral("dir=1"));
    EXPECT_EQ(expected, got);

    const TsharkRun columns = tshark.Fields(capture.Path(), {"frame.protocols", "_ws.col.Info"});
    const QList<QByteArray> rows = columns.out.split('\n');
    ASSERT_GE(rows.size(), 9);
    EXPECT_EQ("ip:udp:swp\tOP_DISCOVER Reply DEVICE_NAME=\"EV\\x1b]0;x\\x07IL\\x0d\\x0aFAKE\"",
              rows[2].toStdString());
    EXPECT_TRUE(rows[8].endsWith("OP_GET_CONFIG Reply DEVICE_MODE=DEVICE_AP IP_MODE=static"))
        << rows[8].toStdString();
    ASSERT_GE(rows.size(), 12);
    EXPECT_TRUE(rows[11].startsWith("ip:udp:swp\t")) << rows[11].toStdString();

    const TsharkRun statistics = tshark.Statistics(capture.Path());
    ASSERT_EQ(0, statistics.code) << statistics.err.toStdString();
    const QString text = QString::fromUtf8(statistics.out);
    for (const char* line :
         {R"(^  02:5A:00:00:00:01  10\.0\.0\.2 +DEVICE_AP +EV\\x1b\]0;x\\x07IL\\x0d\\x0aFAKE$)",
          R"(^  02:5A:00:00:00:02  10\.0\.0\.3 +- +-$)",
          R"(^  OP_DISCOVER +1 +1 +[0-9.]+ +[0-9.]+ +[0-9.]+$)",
          R"(^  OP_LOGIN +1 +1 +[0-9.]+ +[0-9.]+ +[0-9.]+$)",
          R"(^  OP_GET_CONFIG +1 +1 +[0-9.]+ +[0-9.]+ +[0-9.]+$)",
          R"(^  OP_SET_CONFIG +1 +0 +- +- +-$)", R"(^Unanswered requests: 1 \(frames 10\)$)",
          R"(^Refused \(result failed\): 1 \(frames 5\)$)",
          R"(^Replies without a request: 3 \(frames 5, 11, 12\)$)",
          R"(^Retransmitted requests: 1 \(frames 8\)$)"})
        EXPECT_TRUE(text.contains(
            QRegularExpression(QLatin1String(line), QRegularExpression::MultilineOption)))
            << line << "\n"
            << text.toStdString();
}

TEST(Dissector, TakesAKeyOnlyForAWholePayloadAndHidesCutShortKeys) {
    const uint8_t kFreshMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x09};
    const QByteArray kFilePassword = "a,b c\\\t";
    swp::CPacketBuilder accepted = Reply(swp::OP_LOGIN);
    accepted.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);
    swp::CPacketBuilder cutKey(kHostMac, swp::OP_SET_CONFIG);
    cutKey.AppendText(swp::WL_SSID, "lab");
    cutKey.AppendRaw("\x6A\x14psk-of-the", 12); // WL_WPA_PSK declares 20 bytes, 10 follow
    // Read with the listed "wrong-one", this starts with a well-formed result.
    swp::CPacketBuilder guess(kFreshMac, swp::OP_SET_CONFIG);
    guess.AppendRaw("\x91\x01\x01\x50\x40\x61\x62", 7);
    swp::CPacketBuilder survey = Reply(swp::OP_SITE_SURVEY);
    _tag_AP_ROFIILE ap{};
    std::strcpy(ap.SSID, "moja-net");
    std::memcpy(ap.BSSID, "\x02\xAA\x00\x00\x00\x01", 6);
    ap.Signal = 70;
    const auto record = swp::EncodeSurveyRecord(ap);
    survey.AppendRaw(record.data(), record.size());
    swp::CPacketBuilder fromFile(kFreshMac, swp::OP_LOGIN);
    fromFile.AppendByte(swp::TLVTYPE_OTHER_RESULT, 1);

    const struct {
        QByteArray bytes;
        bool sent;
        const char* key;    // the key label tshark names; "" none
        const char* expert; // "" none
    } cases[] = {
        {Enciphered(swp::BuildLogin(kHostMac, kDeviceMac)), true, "listed password 2", ""},
        {Enciphered(accepted), false, "listed password 2", ""},
        {Enciphered(cutKey), true, "listed password 2 (the key of this sender's other datagrams)",
         "swp.tlv_overrun"},
        {Enciphered(guess, "wrong-one"), false, "", "swp.undeciphered"},
        {Enciphered(survey), false, "listed password 2", ""},
        {Enciphered(fromFile, kFilePassword), false, "password 1 of the password file", ""},
    };
    CCapture capture;
    ASSERT_TRUE(capture.Ok());
    for (const auto& c : cases)
        capture.Add(c.bytes, c.sent);
    capture.Close();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("passwords"));
    ASSERT_TRUE(privatefile::Save(file, "\n" + kFilePassword + "\r\n"));

    CTshark tshark("wrong-one," + kPassword, false, QFile::encodeName(file));
    ASSERT_TRUE(tshark.Ready());
    const TsharkRun run = tshark.Json(capture.Path());
    ASSERT_EQ(0, run.code) << run.err.toStdString();
    ASSERT_EQ(static_cast<int>(std::size(cases)), run.packets.size());
    for (size_t n = 0; n < std::size(cases); ++n) {
        const QJsonValue packet = run.packets[static_cast<int>(n)];
        const QString expert = QLatin1String(cases[n].expert);
        EXPECT_EQ(expert.isEmpty() ? QStringList() : QStringList{expert}, ExpertNames(packet)) << n;
        EXPECT_EQ(QLatin1String(cases[n].key), Layer(packet, "swp")["swp.key"].toString()) << n;
    }
    const QJsonObject records = Layer(run.packets[4], "swp")["swp.survey"].toObject();
    const QJsonObject first = records["swp.survey.record"].toObject();
    EXPECT_EQ("moja-net", first["swp.survey.ssid"].toString());
    EXPECT_EQ("02:aa:00:00:00:01", first["swp.survey.bssid"].toString());
    const TsharkRun dump = tshark.Run({"-r", capture.Path(), "-2", "-V", "-x"});
    for (const TsharkRun* read : {&run, &dump}) {
        EXPECT_FALSE(read->out.contains("psk-of-the"));
        EXPECT_FALSE(read->out.contains(QByteArray("psk-of-the").toHex()));
        EXPECT_FALSE(read->out.contains("70 73 6b 2d"));
    }
}

} // namespace
