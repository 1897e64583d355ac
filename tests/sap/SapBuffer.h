#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sap/SapDatagram.h"

// Builds receive buffers slot by slot, the way a SAP response lays them out.
struct SapSlotSpec {
    std::string_view name;
    std::uint16_t type = 4;
    std::array<std::uint8_t, 4> network{0, 0, 0, 1};
    std::array<std::uint8_t, 6> node{0, 0, 0, 0, 0, 1};
    std::uint16_t socket = 0x0451;
    std::uint16_t hops = 1;
};

using SapBuffer = std::array<std::uint8_t, sap::kReceiveBufferSize>;

inline void WriteSlot(SapBuffer& buffer, std::size_t k, const SapSlotSpec& slotSpec) {
    std::uint8_t* slot = buffer.data() + sap::kOperationSize + k * sap::kSlotSize;
    std::memset(slot, 0, sap::kSlotSize);
    slot[0] = static_cast<std::uint8_t>(slotSpec.type >> 8);
    slot[1] = static_cast<std::uint8_t>(slotSpec.type);
    std::memcpy(slot + 2, slotSpec.name.data(), std::min<std::size_t>(slotSpec.name.size(), 48));
    std::memcpy(slot + 50, slotSpec.network.data(), 4);
    std::memcpy(slot + 54, slotSpec.node.data(), 6);
    slot[60] = static_cast<std::uint8_t>(slotSpec.socket >> 8);
    slot[61] = static_cast<std::uint8_t>(slotSpec.socket);
    slot[62] = static_cast<std::uint8_t>(slotSpec.hops >> 8);
    slot[63] = static_cast<std::uint8_t>(slotSpec.hops);
}
