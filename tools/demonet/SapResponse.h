#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "IpxPacket.h"

namespace demonet {

inline constexpr std::uint16_t kSapGeneralResponse = 0x0002;
inline constexpr std::size_t kSapEntrySize = 64;
inline constexpr std::size_t kSapEntriesPerDatagram = 7;
inline constexpr std::size_t kSapNameFieldSize = 48;
inline constexpr std::uint16_t kSapHopsUnreachable = 16;

// One advertised service as it goes on the wire.
struct SapEntry {
    std::uint16_t type = 0;
    std::string name;  // at most 47 characters; NUL-padded to 48 on the wire
    IpxEndpoint address;
    std::uint16_t hops = 0;
};

// Builds the SAP general responses that advertise entries from source as
// broadcasts on the SAP socket: complete IPX packets, seven entries at most each.
std::vector<std::vector<std::uint8_t>> BuildSapGeneralResponses(const IpxEndpoint& source,
                                                                std::span<const SapEntry> entries);

}  // namespace demonet
