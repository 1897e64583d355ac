#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <netinet/in.h>

#include "IpxPacket.h"

// A test stand-in for a DOSBox client: a UDP socket on 127.0.0.1 that talks
// to a hub.
class LoopbackClient {
public:
    explicit LoopbackClient(std::uint16_t hubPort);
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    void send(std::span<const std::uint8_t> datagram) const;
    // The next datagram, or nothing within the timeout.
    std::optional<std::vector<std::uint8_t>> receive(std::chrono::milliseconds timeout) const;

    // Sends the all-zero registration header and returns the node the hub
    // answered with (nothing if it did not answer).
    std::optional<demonet::IpxNode> registerWithHub() const;

    // The node a DOSBox hub assigns to this socket.
    demonet::IpxNode expectedNode() const;
    const sockaddr_in& address() const { return m_address; }

private:
    int m_fd = -1;
    sockaddr_in m_hub{};
    sockaddr_in m_address{};
};

// A packet addressed to node:socket on network 0 with payload bytes after the header.
std::vector<std::uint8_t> MakePacket(const demonet::IpxNode& destination, std::uint16_t socket,
                                     const demonet::IpxNode& source, std::vector<std::uint8_t> payload);
