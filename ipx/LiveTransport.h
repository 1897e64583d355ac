#pragma once

// Live capture from an interface (or `any`) through libpcap, nonblocking.

#include <memory>
#include <string>

#include "LinkWatch.h"
#include "Transport.h"

struct pcap;

namespace zorvik::ipx {

class LiveTransport : public Transport {
public:
    ~LiveTransport() override;

    static TOLVSIPX_STATUS open(const std::string& interfaceName, std::unique_ptr<Transport>& transport);

    TransportPoll next(int& linkType, PacketBytes& frame) override;
    std::vector<int> descriptors() const override;
    TOLVSIPX_STATUS failure() const override { return m_failure; }

private:
    explicit LiveTransport(const std::string& interfaceName) : m_link(interfaceName) {}

    pcap* m_pcap = nullptr;
    int m_linkType = 0;
    int m_fd = -1;
    LinkWatch m_link;
    TOLVSIPX_STATUS m_failure = 0;
};

}  // namespace zorvik::ipx
