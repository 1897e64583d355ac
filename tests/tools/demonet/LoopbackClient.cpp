#include "LoopbackClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>


LoopbackClient::LoopbackClient(std::uint16_t hubPort) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    m_address.sin_family = AF_INET;
    m_address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&m_address), sizeof m_address) < 0)
        throw std::runtime_error(std::string("bind: ") + std::strerror(errno));
    socklen_t length = sizeof m_address;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&m_address), &length);
    m_hub.sin_family = AF_INET;
    m_hub.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_hub.sin_port = htons(hubPort);
}

LoopbackClient::~LoopbackClient() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void LoopbackClient::send(std::span<const std::uint8_t> datagram) const {
    if (::sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&m_hub),
                 sizeof m_hub) < 0)
        throw std::runtime_error(std::string("sendto: ") + std::strerror(errno));
}

std::optional<std::vector<std::uint8_t>> LoopbackClient::receive(std::chrono::milliseconds timeout) const {
    pollfd descriptor{m_fd, POLLIN, 0};
    if (::poll(&descriptor, 1, static_cast<int>(timeout.count())) <= 0)
        return std::nullopt;
    std::vector<std::uint8_t> buffer(65536);
    const ssize_t received = ::recv(m_fd, buffer.data(), buffer.size(), 0);
    if (received < 0)
        return std::nullopt;
    buffer.resize(static_cast<std::size_t>(received));
    return buffer;
}

std::optional<demonet::IpxNode> LoopbackClient::registerWithHub() const {
    demonet::IpxHeader header;
    header.destination.socket = demonet::kEchoSocket;
    header.source.socket = demonet::kEchoSocket;
    std::uint8_t bytes[demonet::kIpxHeaderSize] = {};
    demonet::WriteIpxHeader(header, bytes);
    send(bytes);
    const auto answer = receive(std::chrono::seconds(2));
    if (!answer || answer->size() < demonet::kIpxHeaderSize)
        return std::nullopt;
    return demonet::ReadIpxHeader(std::span<const std::uint8_t, demonet::kIpxHeaderSize>(answer->data(),
                                                                                         demonet::kIpxHeaderSize))
        .destination.node;
}

demonet::IpxNode LoopbackClient::expectedNode() const {
    // Written out by hand rather than through the hub's own helper, so a byte-order slip there shows.
    const std::uint32_t ip = ntohl(m_address.sin_addr.s_addr);
    const std::uint16_t port = ntohs(m_address.sin_port);
    return {static_cast<std::uint8_t>(ip >> 24), static_cast<std::uint8_t>(ip >> 16),
            static_cast<std::uint8_t>(ip >> 8),  static_cast<std::uint8_t>(ip),
            static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port)};
}

std::vector<std::uint8_t> MakePacket(const demonet::IpxNode& destination, std::uint16_t socket,
                                     const demonet::IpxNode& source, std::vector<std::uint8_t> payload) {
    std::vector<std::uint8_t> packet(demonet::kIpxHeaderSize + payload.size());
    demonet::IpxHeader header;
    header.length = static_cast<std::uint16_t>(packet.size());
    header.destination.node = destination;
    header.destination.socket = socket;
    header.source.node = source;
    header.source.socket = socket;
    demonet::WriteIpxHeader(header,
                            std::span<std::uint8_t, demonet::kIpxHeaderSize>(packet.data(), demonet::kIpxHeaderSize));
    std::copy(payload.begin(), payload.end(), packet.begin() + demonet::kIpxHeaderSize);
    return packet;
}
