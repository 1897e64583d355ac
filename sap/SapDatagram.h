#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sap {

// One SAP datagram payload as the IPX library delivers it: the operation word,
// then seven 64-byte service entry slots.
inline constexpr std::size_t kReceiveBufferSize = 450;
inline constexpr std::size_t kOperationSize = 2;
inline constexpr std::size_t kSlotSize = 64;
inline constexpr std::size_t kSlotCount = 7;
inline constexpr std::size_t kNameFieldSize = 48;
inline constexpr std::size_t kAddressTextLength = 26;

static_assert(kOperationSize + kSlotCount * kSlotSize == kReceiveBufferSize);

// Start of slot k (0 to 6) within a receive buffer.
inline const std::uint8_t* SlotAt(const std::uint8_t* buffer, std::size_t k) {
    return buffer + kOperationSize + k * kSlotSize;
}

// The name field of a slot, up to its first NUL and never past the field.
std::string_view SlotName(const std::uint8_t* slot);

struct DecodedEntry {
    std::string_view name;  // points into the slot
    std::uint16_t type = 0;
    std::uint16_t hops = 0;
    std::uint8_t network[4] = {};
    std::uint8_t node[6] = {};
    std::uint16_t socket = 0;
};

DecodedEntry DecodeSlot(const std::uint8_t* slot);

std::string TypeText(std::uint16_t type);          // "%04X"
std::string AddressText(const DecodedEntry& entry);  // network:node:socket, 26 characters
std::string HopsText(std::uint16_t hops);          // "%d"

}  // namespace sap
