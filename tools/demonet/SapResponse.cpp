#include "SapResponse.h"

#include <algorithm>

namespace demonet {

std::vector<std::vector<std::uint8_t>> BuildSapGeneralResponses(const IpxEndpoint& source,
                                                                std::span<const SapEntry> entries) {
    std::vector<std::vector<std::uint8_t>> datagrams;
    for (std::size_t first = 0; first < entries.size(); first += kSapEntriesPerDatagram) {
        const std::size_t count = std::min(kSapEntriesPerDatagram, entries.size() - first);
        const std::size_t size = kIpxHeaderSize + 2 + count * kSapEntrySize;
        std::vector<std::uint8_t> datagram(size, 0);

        IpxHeader header;
        header.length = static_cast<std::uint16_t>(size);
        header.packetType = kPacketTypePep;
        header.destination.node = kBroadcastNode;
        header.destination.socket = kSapSocket;
        header.source = source;
        WriteIpxHeader(header, std::span<std::uint8_t, kIpxHeaderSize>(datagram.data(), kIpxHeaderSize));
        PutBigEndian16(datagram.data() + kIpxHeaderSize, kSapGeneralResponse);

        for (std::size_t k = 0; k < count; ++k) {
            const SapEntry& entry = entries[first + k];
            std::uint8_t* slot = datagram.data() + kIpxHeaderSize + 2 + k * kSapEntrySize;
            PutBigEndian16(slot, entry.type);
            // Leave at least one NUL in the name field, whatever the caller passed.
            const std::size_t nameLength = std::min(entry.name.size(), kSapNameFieldSize - 1);
            std::copy_n(entry.name.data(), nameLength, slot + 2);
            std::copy(entry.address.network.begin(), entry.address.network.end(), slot + 50);
            std::copy(entry.address.node.begin(), entry.address.node.end(), slot + 54);
            PutBigEndian16(slot + 60, entry.address.socket);
            PutBigEndian16(slot + 62, entry.hops);
        }
        datagrams.push_back(std::move(datagram));
    }
    return datagrams;
}

}  // namespace demonet
