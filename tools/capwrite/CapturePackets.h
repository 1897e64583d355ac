#pragma once

// Builders for the bytes of SAP payloads, IPX packets and the frames that
// carry them, for test captures and benchmark storms.

#include <cstdint>
#include <string>
#include <vector>

namespace zorvik::capwrite {

using Bytes = std::vector<std::uint8_t>;

enum class Framing { EthernetII, Raw8023, Llc8022, Snap };

inline constexpr int kLinkEthernet = 1;
inline constexpr int kLinkLinuxSll = 113;
inline constexpr int kLinkLinuxSll2 = 276;

inline constexpr std::uint16_t kSapSocket = 0x0452;
inline constexpr std::uint16_t kSapGeneralQuery = 1;
inline constexpr std::uint16_t kSapGeneralResponse = 2;
inline constexpr std::uint16_t kSapNearestQuery = 3;

struct ServiceEntry {
    std::string name;  // up to 48 bytes; 48 or more leaves the field without a NUL
    std::uint16_t type = 0;
    std::uint8_t network[4] = {};
    std::uint8_t node[6] = {};
    std::uint16_t socket = 0;
    std::uint16_t hops = 0;
};

struct IpxEndpoint {
    std::uint8_t network[4] = {};
    std::uint8_t node[6] = {};
    std::uint16_t socket = 0;
};

// The SAP broadcast address on the local network.
IpxEndpoint sapBroadcast();

// Operation word, then one 64-byte entry per service.
Bytes sapResponse(const std::vector<ServiceEntry>& entries, std::uint16_t operation = kSapGeneralResponse);
Bytes sapQuery(std::uint16_t serviceType, std::uint16_t operation = kSapGeneralQuery);

// A 30-byte IPX header (length field = 30 + payload) and the payload.
Bytes ipxPacket(const IpxEndpoint& destination, const IpxEndpoint& source, std::uint8_t packetType,
                const Bytes& payload);

// An Ethernet frame to the broadcast MAC, padded to the 60-byte minimum, with
// one 802.1Q tag per entry of vlanIds (outermost first).
Bytes ethernetFrame(Framing framing, const Bytes& ipx, const std::vector<std::uint16_t>& vlanIds = {});

// A Linux cooked frame (kLinkLinuxSll or kLinkLinuxSll2) as the `any` device captures it.
Bytes cookedFrame(int linkType, Framing framing, const Bytes& ipx);

const char* framingName(Framing framing);
bool framingFromName(const std::string& name, Framing& framing);

}  // namespace zorvik::capwrite
