#pragma once

// A DOSBox-style IPX hub on loopback for the tunnel client's tests: answers
// registrations with the client's address as its node, forwards broadcasts
// to everyone but the sender and unicasts to their node, and can be muted,
// made deaf to registrations or shut down.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <netinet/in.h>

namespace zorvik::ipxtest {

class FakeHub {
public:
    FakeHub();
    ~FakeHub();
    FakeHub(const FakeHub&) = delete;
    FakeHub& operator=(const FakeHub&) = delete;

    std::uint16_t port() const { return m_port; }
    void setAnswerRegistrations(bool answer) { m_answer = answer; }
    void setMute(bool mute) { m_mute = mute; }
    // Stops and closes the hub's socket: the port is unbound from then on.
    void shutDown();

    // Sends bytes from the hub to every registered client.
    void sendToClients(const std::vector<std::uint8_t>& packet);
    std::vector<sockaddr_in> clients() const;
    // The IPX node the hub assigns a client: its IPv4 address, then its port.
    static std::vector<std::uint8_t> nodeOf(const sockaddr_in& client);

    // Whether a packet (other than a registration) that satisfies match has arrived.
    bool hasPacket(const std::function<bool(const std::vector<std::uint8_t>&)>& match) const;

private:
    void run();
    void handle(const std::vector<std::uint8_t>& packet, const sockaddr_in& from);
    void sendTo(const std::vector<std::uint8_t>& packet, const sockaddr_in& to);

    int m_socket = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_running{true};
    std::atomic<bool> m_answer{true};
    std::atomic<bool> m_mute{false};
    mutable std::mutex m_mutex;
    std::vector<sockaddr_in> m_clients;
    std::vector<std::vector<std::uint8_t>> m_packets;
    std::thread m_thread;
};

}  // namespace zorvik::ipxtest
