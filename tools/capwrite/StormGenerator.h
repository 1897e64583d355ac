#pragma once

// Writes a whole capture of SAP traffic from a few numbers: how many
// datagrams, services and entries, what else is mixed in, and a seed. The
// same options always give the same bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "CapturePackets.h"

namespace zorvik::capwrite {

struct StormOptions {
    std::string path;
    bool mixFramings = false;  // round-robin through the four framings
    Framing framing = Framing::EthernetII;
    int linkType = kLinkEthernet;  // or the two Linux cooked types
    int vlanTags = 0;              // 802.1Q tags on every Ethernet frame
    std::uint64_t datagrams = 100;
    std::uint64_t services = 50;
    int entries = 7;  // per response, 1 to 7; 0 = storm mix (7 in 80 %, else 1 to 6)
    std::uint64_t queries = 0;
    std::uint64_t otherIpx = 0;
    std::uint64_t malformed = 0;
    std::uint64_t seed = 1;
    std::uint64_t intervalUs = 1000;
    // After every markEvery responses, one more response advertising only
    // stormMark(n) for the n-th mark, so a reader can tell how far it got.
    std::uint64_t markEvery = 0;
};

struct StormSummary {
    std::uint64_t frames = 0;
    std::uint64_t responses = 0;
    std::uint64_t entries = 0;
    std::uint64_t distinctServices = 0;  // services that appeared at least once
    std::uint64_t marks = 0;
};

// The services a storm advertises, in the order first advertised.
ServiceEntry stormService(std::uint64_t index);

// The name of the n-th progress mark (n from 1), e.g. "~MARK-0000001~".
std::string stormMark(std::uint64_t n);

bool writeStorm(const StormOptions& options, StormSummary& summary, std::string& error);

}  // namespace zorvik::capwrite
