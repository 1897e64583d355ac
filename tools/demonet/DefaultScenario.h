#pragma once

#include <string_view>

namespace demonet {

// The scenario that runs when no --scenario is given (default.scenario).
std::string_view DefaultScenarioText();

inline constexpr const char* kDefaultScenarioName = "default.scenario";

}  // namespace demonet
