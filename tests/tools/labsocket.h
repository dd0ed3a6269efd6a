#pragma once
// A bare host-side UDP socket for the lab tests: tied to one adapter with
// SO_BINDTODEVICE and bound to 0.0.0.0:5433, as the desktop's sockets are, so
// it hears both replies sent to its address and replies broadcast on its
// adapter, and its broadcasts leave by that adapter only.

#include <arpa/inet.h>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

struct LabDatagram {
    std::vector<uint8_t> bytes;
    std::string fromAddress;
    uint16_t fromPort = 0;
};

class CLabSocket {
public:
    CLabSocket() = default;
    ~CLabSocket() {
        if (m_Fd >= 0)
            ::close(m_Fd);
    }
    CLabSocket(const CLabSocket&) = delete;
    CLabSocket& operator=(const CLabSocket&) = delete;

    // Returns an error text, empty on success.
    std::string Open(const char* interfaceName, uint16_t port = 5433) {
        m_Fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_Fd < 0)
            return std::string("socket: ") + std::strerror(errno);
        if (::setsockopt(m_Fd, SOL_SOCKET, SO_BINDTODEVICE, interfaceName,
                         static_cast<socklen_t>(std::strlen(interfaceName))) != 0)
            return std::string("SO_BINDTODEVICE: ") + std::strerror(errno);
        const int on = 1;
        ::setsockopt(m_Fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        if (::bind(m_Fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return std::string("bind: ") + std::strerror(errno);
        return {};
    }

    bool Broadcast(const std::vector<uint8_t>& bytes, uint16_t port = 5432) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        return ::sendto(m_Fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                        sizeof to) == static_cast<ssize_t>(bytes.size());
    }

    // The next datagram, waiting at most timeoutMs (0: only what is queued).
    std::optional<LabDatagram> Receive(int timeoutMs) {
        pollfd fd{m_Fd, POLLIN, 0};
        if (::poll(&fd, 1, timeoutMs) <= 0)
            return std::nullopt;
        LabDatagram datagram;
        datagram.bytes.resize(65536);
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t received = ::recvfrom(m_Fd, datagram.bytes.data(), datagram.bytes.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &length);
        if (received < 0)
            return std::nullopt;
        datagram.bytes.resize(static_cast<size_t>(received));
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        datagram.fromAddress = text;
        datagram.fromPort = ntohs(from.sin_port);
        return datagram;
    }

private:
    int m_Fd = -1;
};
