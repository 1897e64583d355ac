#include "sap/SapDatagram.h"

#include <cstdio>
#include <cstring>

namespace sap {

namespace {

constexpr std::size_t kTypeOffset = 0;
constexpr std::size_t kNameOffset = 2;
constexpr std::size_t kNetworkOffset = 50;
constexpr std::size_t kNodeOffset = 54;
constexpr std::size_t kSocketOffset = 60;
constexpr std::size_t kHopsOffset = 62;

std::uint16_t ReadBigEndian16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

}  // namespace

// A name field whose 48 bytes hold no NUL is taken as all 48 bytes: the read
// stays inside the field, and the service is still listed (the report cuts it
// to its 47-character column).
std::string_view SlotName(const std::uint8_t* slot) {
    const char* name = reinterpret_cast<const char*>(slot + kNameOffset);
    const void* nul = std::memchr(name, '\0', kNameFieldSize);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - name) : kNameFieldSize;
    return {name, length};
}

DecodedEntry DecodeSlot(const std::uint8_t* slot) {
    DecodedEntry entry;
    entry.name = SlotName(slot);
    entry.type = ReadBigEndian16(slot + kTypeOffset);
    std::memcpy(entry.network, slot + kNetworkOffset, sizeof entry.network);
    std::memcpy(entry.node, slot + kNodeOffset, sizeof entry.node);
    entry.socket = ReadBigEndian16(slot + kSocketOffset);
    entry.hops = ReadBigEndian16(slot + kHopsOffset);
    return entry;
}

std::string TypeText(std::uint16_t type) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(type));
    return text;
}

std::string AddressText(const DecodedEntry& entry) {
    char text[32];
    const std::uint8_t* n = entry.network;
    const std::uint8_t* d = entry.node;
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X:%02X%02X%02X%02X%02X%02X:%04X", n[0], n[1],
                  n[2], n[3], d[0], d[1], d[2], d[3], d[4], d[5],
                  static_cast<unsigned>(entry.socket));
    return text;
}

std::string HopsText(std::uint16_t hops) {
    char text[8];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(hops));
    return text;
}

}  // namespace sap
