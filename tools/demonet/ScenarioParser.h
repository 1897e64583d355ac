#pragma once

#include <string>
#include <string_view>

#include "Scenario.h"

namespace demonet {

// Reads the scenario text format (described at the top of default.scenario
// and in docs/demo-network.md). Throws ScenarioError on the first fault.
class ScenarioParser {
public:
    explicit ScenarioParser(std::string fileName);

    Scenario parse(std::string_view text) const;

    // Reads and parses a file; a file that cannot be read is a ScenarioError too.
    static Scenario parseFile(const std::string& path);

private:
    std::string m_fileName;
};

}  // namespace demonet
