#pragma once

// The TOLVSIPX setting: which transport a socket opens.

#include <cstdint>
#include <string>

namespace zorvik::ipx {

inline constexpr std::uint16_t kDefaultHubPort = 213;

struct TransportConfig {
    enum class Kind { Live, File, Replay, Dosbox };
    Kind kind = Kind::Live;
    std::string target = "any";  // interface name, capture path, or hub host
    std::uint16_t port = 0;      // hub port (dosbox only)
};

// Unset or empty: live capture on every interface. false for a malformed value.
bool parseTransportConfig(const char* value, TransportConfig& config);

}  // namespace zorvik::ipx
