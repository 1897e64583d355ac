#pragma once

// From a captured frame to the IPX packet inside it, with no I/O: Ethernet II
// (0x8137), Novell raw 802.3, 802.2 LLC and SNAP, each possibly under 802.1Q
// tags (stacked too), Linux cooked captures (SLL and SLL2, what the `any`
// device gives), and bare IPX packets (the DOSBox tunnel's UDP payloads).

#include <cstddef>
#include <cstdint>

#include "PacketBytes.h"

namespace zorvik::ipx {

// pcap link-layer header types we understand.
inline constexpr int kLinkTypeEthernet = 1;     // DLT_EN10MB
inline constexpr int kLinkTypeLinuxSll = 113;   // DLT_LINUX_SLL
inline constexpr int kLinkTypeLinuxSll2 = 276;  // DLT_LINUX_SLL2
// Not a pcap type: bare IPX packets, header first (the DOSBox tunnel).
inline constexpr int kLinkTypeBareIpx = -1;

inline constexpr std::size_t kIpxHeaderLength = 30;
// Frames with more VLAN tags than this are not looked into.
inline constexpr int kMaxVlanTags = 4;

enum class Framing : std::uint8_t { Bare, EthernetII, Raw8023, Llc8022, Snap };

enum class FrameResult : std::uint8_t {
    Ipx,        // packet filled in
    NotIpx,     // some other protocol or an unknown framing
    Truncated,  // shorter than its headers or than its length fields claim
    Malformed,  // a length field below its minimum, or too many VLAN tags
};

struct IpxAddress {
    std::uint8_t network[4];
    std::uint8_t node[6];
    std::uint16_t socket;
};

struct IpxPacket {
    std::uint16_t checksum = 0;
    std::uint16_t length = 0;  // the IPX length field: header plus payload
    std::uint8_t transportControl = 0;
    std::uint8_t packetType = 0;
    IpxAddress destination{};
    IpxAddress source{};
    // Points into the frame: the bytes after the header, trimmed to the length field.
    PacketBytes payload;
    Framing framing = Framing::Bare;
    int vlanTags = 0;
};

bool isSupportedLinkType(int linkType);

// Parses one captured frame of the given link type.
FrameResult parseFrame(int linkType, PacketBytes frame, IpxPacket& packet);

// Parses a bare IPX packet (header first). Bytes beyond the length field are padding.
FrameResult parseIpxPacket(PacketBytes bytes, IpxPacket& packet);

const char* frameResultName(FrameResult result);

}  // namespace zorvik::ipx
