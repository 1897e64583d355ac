#include "IpxHub.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace demonet {

namespace {

bool IsRegistration(const IpxHeader& header) {
    const IpxNetwork zeroNetwork{};
    const IpxNode zeroNode{};
    return header.destination.socket == kEchoSocket && header.source.socket == kEchoSocket &&
           header.destination.network == zeroNetwork && header.destination.node == zeroNode &&
           header.source.network == zeroNetwork && header.source.node == zeroNode;
}

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

}  // namespace

std::string AddressText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

IpxNode NodeForAddress(const sockaddr_in& address) {
    IpxNode node{};
    std::memcpy(node.data(), &address.sin_addr.s_addr, 4);
    std::memcpy(node.data() + 4, &address.sin_port, 2);
    return node;
}

IpxHub::IpxHub(LogFunction log, std::size_t maxClients) : m_log(std::move(log)), m_maxClients(maxClients) {}

IpxHub::~IpxHub() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void IpxHub::open(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot create a UDP socket");

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
        const int error = errno;
        ::close(fd);
        throw std::system_error(error, std::generic_category(),
                                "cannot bind 127.0.0.1:" + std::to_string(port));
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);

    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    m_port = ntohs(address.sin_port);
}

IpxNode IpxHub::node() const {
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    self.sin_port = htons(m_port);
    return NodeForAddress(self);
}

void IpxHub::processIncoming(Clock::time_point now) {
    // MSG_TRUNC makes recvfrom report the full length, which tells a cut datagram from a full one.
    std::array<std::uint8_t, kTunnelMaxDatagram> buffer{};
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(m_fd, buffer.data(), buffer.size(), MSG_TRUNC,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            // EAGAIN: drained. Anything else (a stray ICMP error) is not worth stopping for.
            return;
        }
        if (fromLength < sizeof from || from.sin_family != AF_INET)
            continue;
        const bool truncated = static_cast<std::size_t>(received) > buffer.size();
        const std::size_t size = std::min(static_cast<std::size_t>(received), buffer.size());
        handleDatagram(std::span<const std::uint8_t>(buffer.data(), size), truncated, from, now);
    }
}

void IpxHub::handleDatagram(std::span<const std::uint8_t> datagram, bool truncated, const sockaddr_in& from,
                            Clock::time_point now) {
    // Anything too short to be an IPX packet is noise; strangers get no answer.
    if (datagram.size() < kIpxHeaderSize)
        return;
    const IpxHeader header = ReadIpxHeader(datagram.first<kIpxHeaderSize>());
    if (IsRegistration(header)) {
        handleRegistration(from, now);
        return;
    }

    Client* sender = findClient(from);
    if (sender == nullptr)
        return;  // only registered clients may send through the hub
    sender->lastHeard = now;
    if (truncated)
        log("datagram from " + AddressText(from) + " cut to " + std::to_string(kTunnelMaxDatagram) + " bytes");
    if (header.destination.node == node())
        return;  // an echo reply to the hub's own ping: hearing it was the point
    forward(datagram, sender);
}

void IpxHub::handleRegistration(const sockaddr_in& from, Clock::time_point now) {
    Client* client = findClient(from);
    if (client != nullptr) {
        client->lastHeard = now;
        log("client " + AddressText(from) + " registered again as node " + NodeText(client->node));
    } else if (m_clients.size() >= m_maxClients) {
        log("registration from " + AddressText(from) + " refused: " + std::to_string(m_maxClients) +
            " clients already");
        return;
    } else {
        m_clients.push_back({from, NodeForAddress(from), now});
        client = &m_clients.back();
        log("client " + AddressText(from) + " registered as node " + NodeText(client->node));
    }

    // The answer tells the client its node; it then uses network 0.
    IpxHeader answer;
    answer.destination.node = client->node;
    answer.destination.socket = kEchoSocket;
    answer.source.network = {0, 0, 0, 1};
    answer.source.node = node();
    answer.source.socket = kEchoSocket;
    std::array<std::uint8_t, kIpxHeaderSize> bytes{};
    WriteIpxHeader(answer, bytes);
    sendTo(from, bytes);
}

std::size_t IpxHub::inject(std::span<const std::uint8_t> datagram) {
    if (datagram.size() < kIpxHeaderSize)
        return 0;
    return forward(datagram.first(std::min(datagram.size(), kTunnelMaxDatagram)), nullptr);
}

std::size_t IpxHub::forward(std::span<const std::uint8_t> datagram, const Client* sender) {
    const IpxHeader header = ReadIpxHeader(datagram.first<kIpxHeaderSize>());
    std::size_t delivered = 0;
    if (header.destination.node == kBroadcastNode) {
        for (const Client& client : m_clients) {
            if (&client == sender)
                continue;
            sendTo(client.address, datagram);
            ++delivered;
        }
        return delivered;
    }
    for (const Client& client : m_clients) {
        if (client.node == header.destination.node) {
            sendTo(client.address, datagram);
            ++delivered;
        }
    }
    return delivered;
}

void IpxHub::ping() {
    IpxHeader request;
    request.destination.node = kBroadcastNode;
    request.destination.socket = kEchoSocket;
    request.source.node = node();
    request.source.socket = kEchoSocket;
    std::array<std::uint8_t, kIpxHeaderSize> bytes{};
    WriteIpxHeader(request, bytes);
    for (const Client& client : m_clients)
        sendTo(client.address, bytes);
}

void IpxHub::dropSilent(Clock::time_point now, Clock::duration silence) {
    std::erase_if(m_clients, [&](const Client& client) {
        if (now - client.lastHeard <= silence)
            return false;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - client.lastHeard).count();
        log("client " + AddressText(client.address) + " dropped: silent for " + std::to_string(seconds) + " s");
        return true;
    });
}

void IpxHub::sendTo(const sockaddr_in& to, std::span<const std::uint8_t> datagram) {
    for (;;) {
        const ssize_t sent = ::sendto(m_fd, datagram.data(), datagram.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent >= 0 || errno != EINTR)
            return;  // a full buffer loses the datagram, as a busy network would
    }
}

IpxHub::Client* IpxHub::findClient(const sockaddr_in& address) {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [&](const Client& client) { return SameAddress(client.address, address); });
    return it == m_clients.end() ? nullptr : &*it;
}

void IpxHub::log(const std::string& line) const {
    if (m_log)
        m_log(line);
}

}  // namespace demonet
