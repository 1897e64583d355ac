#include "DosboxTransport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>

#include "TolvSipxStatus.h"

namespace zorvik::ipx {

namespace {

constexpr std::uint16_t kEchoSocket = 2;  // registration, pings and keepalives
constexpr std::uint8_t kBroadcastNode[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr int kMissedKeepalives = 3;
constexpr int kRegistrationRetryMs = 250;

std::int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void putAddress(std::uint8_t* p, const IpxAddress& address)
{
    std::memcpy(p, address.network, 4);
    std::memcpy(p + 4, address.node, 6);
    p[10] = static_cast<std::uint8_t>(address.socket >> 8);
    p[11] = static_cast<std::uint8_t>(address.socket);
}

IpxAddress echoAddress(const std::uint8_t* node)
{
    IpxAddress address{};
    if (node)
        std::memcpy(address.node, node, 6);
    address.socket = kEchoSocket;
    return address;
}

bool isEchoSocket(const IpxAddress& address)
{
    return address.socket == kEchoSocket;
}

}  // namespace

TOLVSIPX_STATUS DosboxTransport::open(const std::string& host, std::uint16_t port, std::uint32_t registrationMs,
                                      std::uint32_t keepaliveMs, std::unique_ptr<Transport>& transport)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;  // the hub's node numbers are IPv4 address and port
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return TOLVSIPX_STATUS_HUB_NOT_FOUND;
    std::unique_ptr<DosboxTransport> self(new (std::nothrow) DosboxTransport);
    if (!self) {
        freeaddrinfo(found);
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    }
    std::memcpy(&self->m_hub, found->ai_addr, sizeof self->m_hub);
    freeaddrinfo(found);
    self->m_hub.sin_port = htons(port);

    self->m_socket.reset(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    self->m_timer.reset(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!self->m_socket.valid() || !self->m_timer.valid())
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    // Connected: the kernel already drops datagrams from anyone else, and a
    // hub that is gone shows as a refused send or receive.
    if (connect(self->m_socket.get(), reinterpret_cast<const sockaddr*>(&self->m_hub), sizeof self->m_hub) != 0)
        return TOLVSIPX_STATUS_HUB_UNREACHABLE;

    const TOLVSIPX_STATUS registered = self->registerWithHub(registrationMs);
    if (registered != TOLVSIPX_STATUS_SUCCESS)
        return registered;

    self->m_keepaliveNs = static_cast<std::int64_t>(keepaliveMs) * 1000000;
    self->m_lastHeardNs = monotonicNs();
    itimerspec period{};
    period.it_interval.tv_sec = keepaliveMs / 1000;
    period.it_interval.tv_nsec = static_cast<long>(keepaliveMs % 1000) * 1000000;
    period.it_value = period.it_interval;
    timerfd_settime(self->m_timer.get(), 0, &period, nullptr);
    // The first keepalive at once, to learn early whether this hub echoes it.
    self->sendHeader(echoAddress(self->m_node));
    transport = std::move(self);
    return TOLVSIPX_STATUS_SUCCESS;
}

TOLVSIPX_STATUS DosboxTransport::registerWithHub(std::uint32_t registrationMs)
{
    const std::int64_t deadline = monotonicNs() + static_cast<std::int64_t>(registrationMs) * 1000000;
    std::int64_t nextSend = 0;
    for (;;) {
        const std::int64_t now = monotonicNs();
        if (now >= deadline)
            return TOLVSIPX_STATUS_HUB_UNREACHABLE;
        if (now >= nextSend) {
            // Networks and nodes zero, socket 2 at both ends: a registration.
            if (!sendHeader(echoAddress(nullptr)) && errno == ECONNREFUSED)
                return TOLVSIPX_STATUS_HUB_UNREACHABLE;
            nextSend = now + static_cast<std::int64_t>(kRegistrationRetryMs) * 1000000;
        }
        const std::int64_t waitNs = std::min(deadline, nextSend) - now;
        pollfd wait{m_socket.get(), POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(waitNs / 1000000) + 1) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = recvfrom(m_socket.get(), m_buffer, sizeof m_buffer, 0,
                                          reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == ECONNREFUSED)
                return TOLVSIPX_STATUS_HUB_UNREACHABLE;
            continue;
        }
        if (!fromHub(from))
            continue;
        IpxPacket answer;
        if (parseIpxPacket(PacketBytes(m_buffer, static_cast<std::size_t>(received)), answer) != FrameResult::Ipx)
            continue;
        static constexpr std::uint8_t kZeroNode[6] = {};
        if (!isEchoSocket(answer.destination) || std::memcmp(answer.destination.node, kZeroNode, 6) == 0 ||
            std::memcmp(answer.destination.node, kBroadcastNode, 6) == 0)
            continue;
        std::memcpy(m_node, answer.destination.node, 6);
        return TOLVSIPX_STATUS_SUCCESS;
    }
}

bool DosboxTransport::sendHeader(const IpxAddress& destination)
{
    std::uint8_t header[kIpxHeaderLength] = {};
    header[0] = 0xFF;  // no checksum
    header[1] = 0xFF;
    header[3] = static_cast<std::uint8_t>(kIpxHeaderLength);
    putAddress(header + 6, destination);
    putAddress(header + 18, echoAddress(m_node));
    return send(m_socket.get(), header, sizeof header, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof header);
}

bool DosboxTransport::fromHub(const sockaddr_in& from) const
{
    return from.sin_family == AF_INET && from.sin_addr.s_addr == m_hub.sin_addr.s_addr &&
           from.sin_port == m_hub.sin_port;
}

TransportPoll DosboxTransport::fail(TOLVSIPX_STATUS status)
{
    m_failure = status;
    return TransportPoll::Failed;
}

std::vector<int> DosboxTransport::descriptors() const
{
    return {m_socket.get(), m_timer.get()};
}

void DosboxTransport::serviceTimer()
{
    std::uint64_t expirations = 0;
    if (::read(m_timer.get(), &expirations, sizeof expirations) <= 0)
        return;
    if (m_hubEchoes && monotonicNs() - m_lastHeardNs > kMissedKeepalives * m_keepaliveNs) {
        m_failure = TOLVSIPX_STATUS_HUB_GONE;
        return;
    }
    if (!sendHeader(echoAddress(m_node)) && errno == ECONNREFUSED)
        m_failure = TOLVSIPX_STATUS_HUB_GONE;
}

TransportPoll DosboxTransport::next(int& linkType, PacketBytes& frame)
{
    if (m_failure)
        return TransportPoll::Failed;
    // Bounded, so that a flood of tunnel chatter cannot hold the caller.
    for (int round = 0; round < 64; ++round) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = recvfrom(m_socket.get(), m_buffer, sizeof m_buffer, 0,
                                          reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == ECONNREFUSED)
                return fail(TOLVSIPX_STATUS_HUB_GONE);
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                serviceTimer();
                return m_failure ? TransportPoll::Failed : TransportPoll::Nothing;
            }
            continue;
        }
        if (!fromHub(from))
            continue;  // a stranger, whatever its IPX header claims
        m_lastHeardNs = monotonicNs();
        IpxPacket packet;
        const PacketBytes bytes(m_buffer, static_cast<std::size_t>(received));
        if (parseIpxPacket(bytes, packet) != FrameResult::Ipx)
            continue;
        const bool toUs = std::memcmp(packet.destination.node, m_node, 6) == 0;
        const bool broadcast = std::memcmp(packet.destination.node, kBroadcastNode, 6) == 0;
        if (!toUs && !broadcast)
            continue;
        const bool fromUs = std::memcmp(packet.source.node, m_node, 6) == 0;
        if (isEchoSocket(packet.destination)) {
            if (toUs && fromUs) {
                m_hubEchoes = true;  // our keepalive came back
            } else if (broadcast && !fromUs) {
                IpxAddress sender = packet.source;
                sender.socket = kEchoSocket;
                sendHeader(sender);  // the ping's answer, a unicast on socket 2
            }
            continue;
        }
        linkType = kLinkTypeBareIpx;
        frame = bytes;
        return TransportPoll::Frame;
    }
    return TransportPoll::Nothing;
}

}  // namespace zorvik::ipx
