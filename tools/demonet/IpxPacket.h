#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace demonet {

// Sizes of the DOSBox IPX-over-UDP tunnel: one whole IPX packet per UDP payload.
inline constexpr std::size_t kIpxHeaderSize = 30;
inline constexpr std::size_t kTunnelMaxDatagram = 1424;  // the hub cuts anything longer

inline constexpr std::uint16_t kEchoSocket = 0x0002;  // registration and ping
inline constexpr std::uint16_t kSapSocket = 0x0452;
inline constexpr std::uint8_t kPacketTypeUnknown = 0;
inline constexpr std::uint8_t kPacketTypePep = 4;

using IpxNetwork = std::array<std::uint8_t, 4>;
using IpxNode = std::array<std::uint8_t, 6>;

inline constexpr IpxNode kBroadcastNode = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

struct IpxEndpoint {
    IpxNetwork network{};
    IpxNode node{};
    std::uint16_t socket = 0;
};

// The fields of an IPX header that the hub and the servers look at or set.
struct IpxHeader {
    std::uint16_t checksum = 0xFFFF;  // no checksum, as IPX senders say
    std::uint16_t length = kIpxHeaderSize;
    std::uint8_t transportControl = 0;
    std::uint8_t packetType = kPacketTypeUnknown;
    IpxEndpoint destination;
    IpxEndpoint source;
};

// Writes the 30-byte big-endian header to out (which must hold 30 bytes).
void WriteIpxHeader(const IpxHeader& header, std::span<std::uint8_t, kIpxHeaderSize> out);

// Reads the header of a datagram of at least 30 bytes.
IpxHeader ReadIpxHeader(std::span<const std::uint8_t, kIpxHeaderSize> in);

// "00000010" and "000000000001": the bytes in wire order, upper-case hex.
std::string NetworkText(const IpxNetwork& network);
std::string NodeText(const IpxNode& node);

void PutBigEndian16(std::uint8_t* out, std::uint16_t value);
std::uint16_t GetBigEndian16(const std::uint8_t* in);

}  // namespace demonet
