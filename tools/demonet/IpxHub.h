#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <netinet/in.h>

#include "IpxPacket.h"

namespace demonet {

// A DOSBox-compatible IPX-over-UDP hub on 127.0.0.1. Clients register with an
// all-zero header on socket 2 and are told their node (IPv4 address and UDP
// port); the hub then delivers broadcasts to every client but the sender and
// unicasts to the client whose node matches. Simulated servers inside the
// program send through inject(). Single-threaded: the caller polls fd().
class IpxHub {
public:
    using Clock = std::chrono::steady_clock;
    using LogFunction = std::function<void(const std::string&)>;

    static constexpr std::size_t kDefaultMaxClients = 64;

    explicit IpxHub(LogFunction log, std::size_t maxClients = kDefaultMaxClients);
    ~IpxHub();
    IpxHub(const IpxHub&) = delete;
    IpxHub& operator=(const IpxHub&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port). Throws std::system_error.
    void open(std::uint16_t port);

    int fd() const { return m_fd; }
    std::uint16_t port() const { return m_port; }
    // The hub's own node: 127.0.0.1 and its port, as clients see it in pings.
    IpxNode node() const;

    // Reads and handles every datagram waiting on the socket.
    void processIncoming(Clock::time_point now);

    // Sends a packet from inside the program: to all clients if it is
    // addressed to the broadcast node, else to the matching client.
    // Returns the number of clients it went to.
    std::size_t inject(std::span<const std::uint8_t> datagram);

    // Broadcasts an echo request on socket 2; live clients answer it, which
    // counts as hearing from them.
    void ping();

    // Forgets clients not heard from since now - silence.
    void dropSilent(Clock::time_point now, Clock::duration silence);

    std::size_t clientCount() const { return m_clients.size(); }

private:
    struct Client {
        sockaddr_in address{};
        IpxNode node{};
        Clock::time_point lastHeard;
    };

    void handleDatagram(std::span<const std::uint8_t> datagram, bool truncated, const sockaddr_in& from,
                        Clock::time_point now);
    void handleRegistration(const sockaddr_in& from, Clock::time_point now);
    std::size_t forward(std::span<const std::uint8_t> datagram, const Client* sender);
    void sendTo(const sockaddr_in& to, std::span<const std::uint8_t> datagram);
    Client* findClient(const sockaddr_in& address);
    void log(const std::string& line) const;

    LogFunction m_log;
    std::size_t m_maxClients;
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::vector<Client> m_clients;
};

// "127.0.0.1:40000"
std::string AddressText(const sockaddr_in& address);
// The node a DOSBox hub assigns: four address bytes, then the port, both in network order.
IpxNode NodeForAddress(const sockaddr_in& address);

}  // namespace demonet
