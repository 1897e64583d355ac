#include "StormGenerator.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "PcapWriter.h"

namespace zorvik::capwrite {

namespace {

constexpr std::uint64_t kStartUs = 1700000000ull * 1000000;

enum class FrameKind : std::uint8_t { Response, Query, Other, Malformed };

struct ServiceKind {
    const char* prefix;
    std::uint16_t type;
    std::uint16_t socket;
};

constexpr ServiceKind kKinds[] = {
    {"FS", 0x0004, 0x0451}, {"PRN", 0x0007, 0x8060}, {"QUEUE", 0x0003, 0x8060},
    {"NDS", 0x0278, 0x4006}, {"TIME", 0x026B, 0x4005},
};

IpxEndpoint serverEndpoint(std::uint64_t index, std::uint16_t socket)
{
    IpxEndpoint endpoint;
    endpoint.network[3] = 1;
    endpoint.node[2] = 0x1B;
    endpoint.node[3] = static_cast<std::uint8_t>(index >> 16);
    endpoint.node[4] = static_cast<std::uint8_t>(index >> 8);
    endpoint.node[5] = static_cast<std::uint8_t>(index);
    endpoint.socket = socket;
    return endpoint;
}

class Storm {
public:
    Storm(const StormOptions& options, StormSummary& summary)
        : m_options(options), m_summary(summary), m_random(options.seed)
    {
    }

    bool run(std::string& error);

private:
    std::uint64_t below(std::uint64_t n) { return n ? m_random() % n : 0; }
    Framing nextFraming();
    bool emit(const Bytes& ipx);
    Bytes response();
    Bytes malformed();
    Bytes mark();

    const StormOptions& m_options;
    StormSummary& m_summary;
    std::mt19937_64 m_random;
    PcapWriter m_writer;
    std::uint64_t m_cursor = 0;
    std::uint64_t m_frame = 0;
    std::uint64_t m_framingTurn = 0;
};

Framing Storm::nextFraming()
{
    if (!m_options.mixFramings)
        return m_options.framing;
    static constexpr Framing kAll[] = {Framing::EthernetII, Framing::Raw8023, Framing::Llc8022, Framing::Snap};
    return kAll[m_framingTurn++ % 4];
}

bool Storm::emit(const Bytes& ipx)
{
    const Framing framing = nextFraming();
    Bytes frame;
    if (m_options.linkType == kLinkEthernet) {
        std::vector<std::uint16_t> tags;
        for (int i = 0; i < m_options.vlanTags; ++i)
            tags.push_back(static_cast<std::uint16_t>(100 + i));
        frame = ethernetFrame(framing, ipx, tags);
    } else {
        frame = cookedFrame(m_options.linkType, framing, ipx);
    }
    ++m_summary.frames;
    return m_writer.write(kStartUs + m_frame++ * m_options.intervalUs, frame.data(), frame.size());
}

Bytes Storm::response()
{
    int count = m_options.entries;
    if (count <= 0)
        count = below(100) < 80 ? 7 : static_cast<int>(1 + below(6));
    std::vector<ServiceEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    const std::uint64_t services = m_options.services ? m_options.services : 1;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t index = m_cursor % services;
        if (m_cursor < services)
            ++m_summary.distinctServices;
        ++m_cursor;
        entries.push_back(stormService(index));
    }
    ++m_summary.responses;
    m_summary.entries += entries.size();
    return ipxPacket(sapBroadcast(), serverEndpoint(m_cursor, kSapSocket), 4, sapResponse(entries));
}

Bytes Storm::mark()
{
    ServiceEntry entry = stormService(0);
    entry.name = stormMark(++m_summary.marks);
    return ipxPacket(sapBroadcast(), serverEndpoint(0, kSapSocket), 4, sapResponse({entry}));
}

Bytes Storm::malformed()
{
    Bytes ipx = ipxPacket(sapBroadcast(), serverEndpoint(0, kSapSocket), 4, sapResponse({stormService(0)}));
    switch (below(3)) {
    case 0:  // cut inside the IPX header
        ipx.resize(17);
        break;
    case 1:  // the length field claims more than the packet holds
        ipx[2] = 0x05;
        ipx[3] = 0xDC;
        break;
    default:  // the length field is below the header's own size
        ipx[2] = 0;
        ipx[3] = 12;
        break;
    }
    return ipx;
}

bool Storm::run(std::string& error)
{
    if (!m_writer.open(m_options.path, m_options.linkType)) {
        error = m_options.path + ": " + std::strerror(errno);
        return false;
    }
    // Each frame's kind; extras land at random places among the responses.
    std::vector<FrameKind> kinds;
    kinds.reserve(m_options.datagrams + m_options.queries + m_options.otherIpx + m_options.malformed);
    kinds.insert(kinds.end(), m_options.datagrams, FrameKind::Response);
    kinds.insert(kinds.end(), m_options.queries, FrameKind::Query);
    kinds.insert(kinds.end(), m_options.otherIpx, FrameKind::Other);
    kinds.insert(kinds.end(), m_options.malformed, FrameKind::Malformed);
    if (kinds.size() > m_options.datagrams) {
        for (std::size_t i = kinds.size() - 1; i > 0; --i)
            std::swap(kinds[i], kinds[below(i + 1)]);
    }
    std::uint64_t responses = 0;
    for (const FrameKind kind : kinds) {
        bool ok = true;
        switch (kind) {
        case FrameKind::Response:
            ok = emit(response());
            if (ok && m_options.markEvery && ++responses % m_options.markEvery == 0)
                ok = emit(mark());
            break;
        case FrameKind::Query:
            ok = emit(ipxPacket(sapBroadcast(), serverEndpoint(1, 0x4000), 4, sapQuery(0xFFFF)));
            break;
        case FrameKind::Other: {
            // RIP broadcasts: IPX, but for another socket.
            IpxEndpoint rip = sapBroadcast();
            rip.socket = 0x0453;
            ok = emit(ipxPacket(rip, serverEndpoint(2, 0x0453), 1, Bytes{0x00, 0x02, 0, 0, 0, 1, 0, 1, 0, 2}));
            break;
        }
        case FrameKind::Malformed:
            ok = emit(malformed());
            break;
        }
        if (!ok) {
            error = m_options.path + ": write failed";
            return false;
        }
    }
    if (!m_writer.close()) {
        error = m_options.path + ": write failed";
        return false;
    }
    return true;
}

}  // namespace

ServiceEntry stormService(std::uint64_t index)
{
    const ServiceKind& kind = kKinds[index % (sizeof kKinds / sizeof kKinds[0])];
    ServiceEntry entry;
    char name[48];
    std::snprintf(name, sizeof name, "%s-%06llu", kind.prefix, static_cast<unsigned long long>(index));
    entry.name = name;
    entry.type = kind.type;
    const IpxEndpoint where = serverEndpoint(index, kind.socket);
    std::memcpy(entry.network, where.network, 4);
    entry.network[2] = static_cast<std::uint8_t>(index / 1000);
    std::memcpy(entry.node, where.node, 6);
    entry.socket = kind.socket;
    entry.hops = static_cast<std::uint16_t>(index % 4);
    return entry;
}

bool writeStorm(const StormOptions& options, StormSummary& summary, std::string& error)
{
    summary = StormSummary{};
    Storm storm(options, summary);
    return storm.run(error);
}

std::string stormMark(std::uint64_t n)
{
    char name[48];
    std::snprintf(name, sizeof name, "~MARK-%07llu~", static_cast<unsigned long long>(n));
    return name;
}

}  // namespace zorvik::capwrite
