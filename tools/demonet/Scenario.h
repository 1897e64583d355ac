#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace demonet {

// One service that a simulated server advertises. Its address is the
// server's network and node with the service's own socket.
struct ScenarioService {
    std::string name;
    std::uint16_t type = 0;
    std::uint16_t socket = 0;
    std::uint16_t hops = 0;
    std::optional<double> downAfterSeconds;  // from then on advertised with hops 16
    int line = 0;
};

// A simulated server: the sender of one set of SAP broadcasts.
struct ScenarioServer {
    std::string name;
    std::array<std::uint8_t, 4> network{};
    std::array<std::uint8_t, 6> node{};
    double startSeconds = 0.0;  // when it comes up, after the program starts
    std::vector<ScenarioService> services;
    int line = 0;
};

struct Scenario {
    std::vector<ScenarioServer> servers;
};

}  // namespace demonet
