#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "DemoOptions.h"
#include "Scenario.h"

namespace demonet {

// The running demo network: the hub, the simulated servers' schedule and the
// wait for datagrams, timers and stop signals, all on one thread.
class DemoNetwork {
public:
    DemoNetwork(DemoOptions options, Scenario scenario, std::string scenarioName, std::ostream& out,
                std::ostream& err);

    // Runs until SIGINT or SIGTERM; returns the process exit code.
    int run();

private:
    void event(const std::string& line);

    DemoOptions m_options;
    Scenario m_scenario;
    std::string m_scenarioName;
    std::ostream& m_out;
    std::ostream& m_err;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace demonet
