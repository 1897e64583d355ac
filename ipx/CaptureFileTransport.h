#pragma once

// Frames from a pcap or pcapng file, either as fast as they are taken or at
// the pace at which they were recorded. After the last frame the network is
// quiet: nothing more arrives and the descriptor stays unreadable.

#include <cstdint>
#include <memory>
#include <string>

#include "Transport.h"
#include "UniqueFd.h"

struct pcap;

namespace zorvik::ipx {

class CaptureFileTransport : public Transport {
public:
    ~CaptureFileTransport() override;

    static TOLVSIPX_STATUS open(const std::string& path, bool paced,
                                std::unique_ptr<Transport>& transport);

    TransportPoll next(int& linkType, PacketBytes& frame) override;
    std::vector<int> descriptors() const override;
    TOLVSIPX_STATUS failure() const override { return 0; }

private:
    CaptureFileTransport() = default;
    void reachEnd();
    bool loadFrame();
    void armTimer(std::int64_t dueNs);

    pcap* m_pcap = nullptr;
    int m_linkType = 0;
    bool m_paced = false;
    bool m_ended = false;
    // Readable while frames remain (an eventfd), or when the next frame is due (a timerfd).
    UniqueFd m_ready;
    // Pacing: the loaded frame not yet handed over, and the clock mapping.
    bool m_haveFrame = false;
    const std::uint8_t* m_frameData = nullptr;
    std::uint32_t m_frameLength = 0;
    std::int64_t m_frameTimeNs = 0;
    std::int64_t m_firstFrameNs = 0;
    std::int64_t m_startNs = 0;
    std::int64_t m_lastDueNs = 0;
    bool m_started = false;
};

}  // namespace zorvik::ipx
