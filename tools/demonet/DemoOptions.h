#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace demonet {

inline constexpr std::uint16_t kDefaultPort = 21300;

// The command line of zorvik-demonet.
struct DemoOptions {
    std::uint16_t port = kDefaultPort;   // 0: pick a free port
    std::optional<std::string> scenarioPath;  // none: the compiled-in default scenario
    double intervalSeconds = 60.0;       // time between two rounds of one server
    double silenceSeconds = 300.0;       // a client not heard from this long is dropped; 0: never
    bool quiet = false;
    bool help = false;
};

// The options, or a message for the user when the command line is wrong.
struct DemoOptionsResult {
    DemoOptions options;
    std::string error;
};

DemoOptionsResult ParseDemoOptions(const std::vector<std::string>& arguments);

std::string DemoUsage();

}  // namespace demonet
