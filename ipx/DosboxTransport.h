#pragma once

// Client of a DOSBox-compatible IPX-over-UDP hub: each UDP payload is one
// whole IPX packet. Registers at open and takes the node the hub assigns,
// answers the hub's pings, and accepts datagrams from the hub's address and
// port only. A keepalive sent to our own node comes back through the hub; a
// hub that used to echo it and falls silent, or a refused send, means the
// hub has gone.

#include <cstdint>
#include <memory>
#include <string>

#include <netinet/in.h>

#include "IpxFrame.h"
#include "Transport.h"
#include "UniqueFd.h"

namespace zorvik::ipx {

class DosboxTransport : public Transport {
public:
    static TOLVSIPX_STATUS open(const std::string& host, std::uint16_t port, std::uint32_t registrationMs,
                                std::uint32_t keepaliveMs, std::unique_ptr<Transport>& transport);

    TransportPoll next(int& linkType, PacketBytes& frame) override;
    std::vector<int> descriptors() const override;
    TOLVSIPX_STATUS failure() const override { return m_failure; }

    const std::uint8_t* node() const { return m_node; }

private:
    DosboxTransport() = default;
    TOLVSIPX_STATUS registerWithHub(std::uint32_t registrationMs);
    bool sendHeader(const IpxAddress& destination);
    void serviceTimer();
    bool fromHub(const sockaddr_in& from) const;
    TransportPoll fail(TOLVSIPX_STATUS status);

    UniqueFd m_socket;
    UniqueFd m_timer;
    sockaddr_in m_hub{};
    std::uint8_t m_node[6] = {};
    std::int64_t m_keepaliveNs = 0;
    std::int64_t m_lastHeardNs = 0;
    bool m_hubEchoes = false;
    TOLVSIPX_STATUS m_failure = 0;
    // Largest UDP payload; the hub cuts packets well below this.
    std::uint8_t m_buffer[65536];
};

}  // namespace zorvik::ipx
