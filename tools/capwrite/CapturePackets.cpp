#include "CapturePackets.h"

#include <algorithm>
#include <cstring>

namespace zorvik::capwrite {

namespace {

constexpr std::size_t kMinFrame = 60;
constexpr std::uint8_t kSourceMac[6] = {0x02, 0x00, 0x5A, 0x6F, 0x72, 0x76};

void put16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void put32(Bytes& out, std::uint32_t value)
{
    put16(out, static_cast<std::uint16_t>(value >> 16));
    put16(out, static_cast<std::uint16_t>(value));
}

void putBytes(Bytes& out, const std::uint8_t* data, std::size_t size)
{
    out.insert(out.end(), data, data + size);
}

void putEndpoint(Bytes& out, const IpxEndpoint& endpoint)
{
    putBytes(out, endpoint.network, 4);
    putBytes(out, endpoint.node, 6);
    put16(out, endpoint.socket);
}

// The LLC or SNAP header (or none) that goes before the IPX packet.
Bytes llcHeader(Framing framing)
{
    switch (framing) {
    case Framing::Llc8022:
        return {0xE0, 0xE0, 0x03};
    case Framing::Snap:
        return {0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x81, 0x37};
    default:
        return {};
    }
}

}  // namespace

IpxEndpoint sapBroadcast()
{
    IpxEndpoint endpoint;
    std::memset(endpoint.node, 0xFF, sizeof endpoint.node);
    endpoint.socket = kSapSocket;
    return endpoint;
}

Bytes sapResponse(const std::vector<ServiceEntry>& entries, std::uint16_t operation)
{
    Bytes out;
    out.reserve(2 + 64 * entries.size());
    put16(out, operation);
    for (const ServiceEntry& entry : entries) {
        put16(out, entry.type);
        std::uint8_t name[48] = {};
        std::memcpy(name, entry.name.data(), std::min<std::size_t>(entry.name.size(), sizeof name));
        putBytes(out, name, sizeof name);
        putBytes(out, entry.network, 4);
        putBytes(out, entry.node, 6);
        put16(out, entry.socket);
        put16(out, entry.hops);
    }
    return out;
}

Bytes sapQuery(std::uint16_t serviceType, std::uint16_t operation)
{
    Bytes out;
    put16(out, operation);
    put16(out, serviceType);
    return out;
}

Bytes ipxPacket(const IpxEndpoint& destination, const IpxEndpoint& source, std::uint8_t packetType,
                const Bytes& payload)
{
    Bytes out;
    out.reserve(30 + payload.size());
    put16(out, 0xFFFF);
    put16(out, static_cast<std::uint16_t>(30 + payload.size()));
    out.push_back(0);  // transport control (hops so far)
    out.push_back(packetType);
    putEndpoint(out, destination);
    putEndpoint(out, source);
    putBytes(out, payload.data(), payload.size());
    return out;
}

Bytes ethernetFrame(Framing framing, const Bytes& ipx, const std::vector<std::uint16_t>& vlanIds)
{
    Bytes out;
    out.reserve(14 + 4 * vlanIds.size() + 8 + ipx.size() + kMinFrame);
    out.insert(out.end(), 6, 0xFF);
    putBytes(out, kSourceMac, sizeof kSourceMac);
    for (const std::uint16_t id : vlanIds) {
        put16(out, 0x8100);
        put16(out, static_cast<std::uint16_t>(id & 0x0FFF));
    }
    if (framing == Framing::EthernetII) {
        put16(out, 0x8137);
    } else {
        const Bytes llc = llcHeader(framing);
        put16(out, static_cast<std::uint16_t>(llc.size() + ipx.size()));
        putBytes(out, llc.data(), llc.size());
    }
    putBytes(out, ipx.data(), ipx.size());
    if (out.size() < kMinFrame)
        out.resize(kMinFrame, 0);
    return out;
}

Bytes cookedFrame(int linkType, Framing framing, const Bytes& ipx)
{
    const std::uint16_t protocol = framing == Framing::EthernetII ? 0x8137
                                   : framing == Framing::Raw8023  ? 0x0001
                                                                  : 0x0004;
    Bytes out;
    if (linkType == kLinkLinuxSll2) {
        put16(out, protocol);
        put16(out, 0);     // reserved
        put32(out, 2);     // interface index
        put16(out, 1);     // ARPHRD_ETHER
        out.push_back(1);  // broadcast
        out.push_back(6);
    } else {
        put16(out, 1);  // broadcast
        put16(out, 1);  // ARPHRD_ETHER
        put16(out, 6);
    }
    putBytes(out, kSourceMac, sizeof kSourceMac);
    out.push_back(0);
    out.push_back(0);
    if (linkType != kLinkLinuxSll2)
        put16(out, protocol);
    const Bytes llc = llcHeader(framing);
    putBytes(out, llc.data(), llc.size());
    putBytes(out, ipx.data(), ipx.size());
    return out;
}

const char* framingName(Framing framing)
{
    switch (framing) {
    case Framing::EthernetII: return "ethii";
    case Framing::Raw8023: return "raw";
    case Framing::Llc8022: return "llc";
    case Framing::Snap: return "snap";
    }
    return "?";
}

bool framingFromName(const std::string& name, Framing& framing)
{
    for (const Framing f : {Framing::EthernetII, Framing::Raw8023, Framing::Llc8022, Framing::Snap}) {
        if (name == framingName(f)) {
            framing = f;
            return true;
        }
    }
    return false;
}

}  // namespace zorvik::capwrite
