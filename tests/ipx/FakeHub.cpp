#include "FakeHub.h"

#include <cstring>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zorvik::ipxtest {

FakeHub::FakeHub()
{
    m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
}

FakeHub::~FakeHub()
{
    shutDown();
}

void FakeHub::shutDown()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
}

std::vector<std::uint8_t> FakeHub::nodeOf(const sockaddr_in& client)
{
    std::vector<std::uint8_t> node(6);
    std::memcpy(node.data(), &client.sin_addr.s_addr, 4);
    std::memcpy(node.data() + 4, &client.sin_port, 2);
    return node;
}

void FakeHub::run()
{
    std::vector<std::uint8_t> buffer(2048);
    while (m_running) {
        pollfd wait{m_socket, POLLIN, 0};
        if (poll(&wait, 1, 10) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t received =
            recvfrom(m_socket, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (received < 30 || m_mute)
            continue;
        handle(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + received), from);
    }
}

void FakeHub::handle(const std::vector<std::uint8_t>& packet, const sockaddr_in& from)
{
    const std::uint8_t zero[6] = {};
    const bool toEchoSocket = packet[16] == 0 && packet[17] == 2;
    if (toEchoSocket && std::memcmp(&packet[10], zero, 4) == 0) {
        if (!m_answer)
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_clients.push_back(from);
        }
        std::vector<std::uint8_t> ack(30, 0);
        ack[0] = ack[1] = 0xFF;
        ack[3] = 30;
        const std::vector<std::uint8_t> node = nodeOf(from);
        std::memcpy(&ack[10], node.data(), 6);
        ack[17] = 2;
        ack[21] = 1;  // the hub's own network number
        ack[29] = 2;
        sendTo(ack, from);
        return;
    }
    std::vector<sockaddr_in> clients;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_packets.push_back(packet);
        clients = m_clients;
    }
    const bool broadcast = packet[10] == 0xFF && packet[11] == 0xFF && packet[12] == 0xFF && packet[13] == 0xFF;
    for (const sockaddr_in& client : clients) {
        const std::vector<std::uint8_t> node = nodeOf(client);
        const bool isSender = client.sin_addr.s_addr == from.sin_addr.s_addr && client.sin_port == from.sin_port;
        if (broadcast ? !isSender : std::memcmp(&packet[10], node.data(), 6) == 0)
            sendTo(packet, client);
    }
}

void FakeHub::sendTo(const std::vector<std::uint8_t>& packet, const sockaddr_in& to)
{
    sendto(m_socket, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void FakeHub::sendToClients(const std::vector<std::uint8_t>& packet)
{
    for (const sockaddr_in& client : clients())
        sendTo(packet, client);
}

std::vector<sockaddr_in> FakeHub::clients() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clients;
}

bool FakeHub::hasPacket(const std::function<bool(const std::vector<std::uint8_t>&)>& match) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& packet : m_packets) {
        if (match(packet))
            return true;
    }
    return false;
}

}  // namespace zorvik::ipxtest
