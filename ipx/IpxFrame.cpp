#include "IpxFrame.h"

#include <cstring>

namespace zorvik::ipx {

namespace {

constexpr std::uint16_t kEtherTypeIpx = 0x8137;
constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint16_t kEtherTypeQinQ = 0x88A8;
constexpr std::uint16_t kEtherTypeQinQOld = 0x9100;
constexpr std::uint16_t kMax8023Length = 1500;
constexpr std::uint16_t kMinEtherType = 0x0600;
// Linux cooked "protocol" values for 802.3 frames without an Ethernet type.
constexpr std::uint16_t kSllProtocolRaw8023 = 0x0001;
constexpr std::uint16_t kSllProtocolLlc = 0x0004;

constexpr std::uint8_t kRawIpxMark[] = {0xFF, 0xFF};
constexpr std::uint8_t kLlcIpx[] = {0xE0, 0xE0, 0x03};
constexpr std::uint8_t kSnapIpx[] = {0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x81, 0x37};

bool isVlanType(std::uint16_t type)
{
    return type == kEtherTypeVlan || type == kEtherTypeQinQ || type == kEtherTypeQinQOld;
}

FrameResult finish(PacketBytes ipx, Framing framing, int tags, IpxPacket& packet)
{
    const FrameResult result = parseIpxPacket(ipx, packet);
    packet.framing = framing;
    packet.vlanTags = tags;
    return result;
}

// An 802.2 payload (after the 802.3 length, or a cooked LLC frame): LLC or SNAP.
FrameResult parseLlc(PacketBytes llc, int tags, IpxPacket& packet)
{
    if (llc.matches(0, kSnapIpx, sizeof kSnapIpx))
        return finish(llc.sub(sizeof kSnapIpx), Framing::Snap, tags, packet);
    if (llc.matches(0, kLlcIpx, sizeof kLlcIpx))
        return finish(llc.sub(sizeof kLlcIpx), Framing::Llc8022, tags, packet);
    return llc.size() < sizeof kLlcIpx ? FrameResult::Truncated : FrameResult::NotIpx;
}

// The two bytes at offset are an Ethernet type or an 802.3 length; the frame
// goes on after them.
FrameResult parseTypeOrLength(PacketBytes frame, std::size_t offset, int tags, IpxPacket& packet)
{
    std::uint16_t type = 0;
    if (!frame.u16(offset, type))
        return FrameResult::Truncated;
    const PacketBytes rest = frame.sub(offset + 2);

    if (type == kEtherTypeIpx)
        return finish(rest, Framing::EthernetII, tags, packet);
    if (isVlanType(type)) {
        if (tags >= kMaxVlanTags)
            return FrameResult::Malformed;
        // Two bytes of tag control, then the inner type or length.
        return parseTypeOrLength(frame, offset + 4, tags + 1, packet);
    }
    if (type <= kMax8023Length) {
        // The 802.3 length bounds the payload; what follows is padding or trailer.
        if (type > rest.size())
            return FrameResult::Truncated;
        const PacketBytes payload = rest.sub(0, type);
        if (payload.matches(0, kRawIpxMark, sizeof kRawIpxMark))
            return finish(payload, Framing::Raw8023, tags, packet);
        return parseLlc(payload, tags, packet);
    }
    if (type < kMinEtherType)
        return FrameResult::Malformed;  // neither a length nor a type
    return FrameResult::NotIpx;
}

FrameResult parseCooked(PacketBytes frame, std::size_t protocolOffset, std::size_t headerLength,
                        IpxPacket& packet)
{
    std::uint16_t protocol = 0;
    if (!frame.u16(protocolOffset, protocol) || frame.size() < headerLength)
        return FrameResult::Truncated;
    const PacketBytes payload = frame.sub(headerLength);
    switch (protocol) {
    case kEtherTypeIpx:
        return finish(payload, Framing::EthernetII, 0, packet);
    case kSllProtocolRaw8023:
        return finish(payload, Framing::Raw8023, 0, packet);
    case kSllProtocolLlc:
        return parseLlc(payload, 0, packet);
    default:
        if (isVlanType(protocol)) {
            // The tag stays in the payload: two bytes of tag control, then the inner type.
            return parseTypeOrLength(payload, 2, 1, packet);
        }
        return FrameResult::NotIpx;
    }
}

void readAddress(const std::uint8_t* p, IpxAddress& address)
{
    std::memcpy(address.network, p, 4);
    std::memcpy(address.node, p + 4, 6);
    address.socket = static_cast<std::uint16_t>((p[10] << 8) | p[11]);
}

}  // namespace

bool isSupportedLinkType(int linkType)
{
    return linkType == kLinkTypeEthernet || linkType == kLinkTypeLinuxSll ||
           linkType == kLinkTypeLinuxSll2;
}

FrameResult parseIpxPacket(PacketBytes bytes, IpxPacket& packet)
{
    const std::uint8_t* header = nullptr;
    if (!bytes.fetch(0, kIpxHeaderLength, &header))
        return FrameResult::Truncated;
    packet.checksum = static_cast<std::uint16_t>((header[0] << 8) | header[1]);
    packet.length = static_cast<std::uint16_t>((header[2] << 8) | header[3]);
    packet.transportControl = header[4];
    packet.packetType = header[5];
    readAddress(header + 6, packet.destination);
    readAddress(header + 18, packet.source);
    packet.framing = Framing::Bare;
    packet.vlanTags = 0;
    if (packet.length < kIpxHeaderLength)
        return FrameResult::Malformed;
    // A length beyond the captured bytes: part of the packet is missing.
    if (packet.length > bytes.size())
        return FrameResult::Truncated;
    packet.payload = bytes.sub(kIpxHeaderLength, packet.length - kIpxHeaderLength);
    return FrameResult::Ipx;
}

FrameResult parseFrame(int linkType, PacketBytes frame, IpxPacket& packet)
{
    switch (linkType) {
    case kLinkTypeEthernet:
        // Destination and source MAC, then the type or length at offset 12.
        return parseTypeOrLength(frame, 12, 0, packet);
    case kLinkTypeLinuxSll:
        return parseCooked(frame, 14, 16, packet);
    case kLinkTypeLinuxSll2:
        return parseCooked(frame, 0, 20, packet);
    case kLinkTypeBareIpx:
        return parseIpxPacket(frame, packet);
    default:
        return FrameResult::NotIpx;
    }
}

const char* frameResultName(FrameResult result)
{
    switch (result) {
    case FrameResult::Ipx: return "Ipx";
    case FrameResult::NotIpx: return "NotIpx";
    case FrameResult::Truncated: return "Truncated";
    case FrameResult::Malformed: return "Malformed";
    }
    return "?";
}

}  // namespace zorvik::ipx
