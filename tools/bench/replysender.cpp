#include "tools/bench/replysender.h"

#include "protocol/packet.h"
#include "protocol/rc4encry.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

using namespace swp;

std::vector<uint8_t> BuildConfigReply(const uint8_t deviceMac[6], const QString& password) {
    CPacketBuilder packet(deviceMac, OP_GET_CONFIG);
    const char ssid[] = "bench-network";
    const uint8_t channels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    packet.AppendByte(DEVICE_MODE, 1);
    packet.AppendByte(IP_MODE, 0);
    packet.AppendU32(LAN_IP, 0xC0A80032);
    packet.AppendU32(LAN_NETMASK, 0xFFFFFF00);
    packet.AppendU32(LAN_GATEWAY, 0xC0A80001);
    packet.AppendTLV(WL_SSID, ssid, sizeof ssid - 1);
    packet.AppendTLV(WL_CH_LIST, channels, sizeof channels);
    packet.AppendByte(WL_EXT_CH, 0);
    packet.AppendByte(WL_STD_CH, 6);
    packet.AppendByte(WL_SECURITY_MODE, 2);
    packet.AppendByte(WL_AUTH_MODE, 0);
    packet.AppendByte(WL_WEPKEY_LEN, 0);
    packet.AppendByte(WL_WEPKEY_INDEX, 0);
    packet.AppendByte(WL_WPA_MODE, 1);
    packet.AppendByte(WL_WPA_CIPHER, 1);
    packet.AppendU32(WL_WPS_PIN, 12345670);
    std::vector<uint8_t> bytes = packet.Bytes();
    CryptPayload(bytes.data(), bytes.size(), PasswordKey(password));
    return bytes;
}

int RunReplySender(const QString& target, uint16_t port, const QString& password) {
    const uint8_t mac[6] = {0x02, 0x5B, 0x00, 0x00, 0xAA, 0x01};
    const std::vector<uint8_t> reply = BuildConfigReply(mac, password);

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        std::perror("bench sender: socket");
        return 1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (inet_pton(AF_INET, target.toLatin1().constData(), &to.sin_addr) != 1) {
        std::fprintf(stderr, "bench sender: bad target %s\n", qPrintable(target));
        ::close(fd);
        return 2;
    }
    std::cout << "ready" << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        long count = 0;
        if (std::sscanf(line.c_str(), "send %ld", &count) != 1 || count < 0 || count > 10000000) {
            std::cout << "error " << line << std::endl;
            continue;
        }
        long sent = 0;
        long errors = 0;
        while (sent < count) {
            if (::sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                         sizeof to) >= 0) {
                ++sent;
                continue;
            }
            if (errno == EAGAIN || errno == ENOBUFS || errno == EINTR) {
                pollfd room{fd, POLLOUT, 0};
                ::poll(&room, 1, 10); // the send queue is full: wait for room
                continue;
            }
            ++errors;
            if (errors > 1000)
                break;
        }
        std::cout << "sent " << sent << " errors " << errors << std::endl;
    }
    ::close(fd);
    return 0;
}

} // namespace bench
