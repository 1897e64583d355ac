// zorvik-demonet: an IPX network on loopback for trying Zorvik without one.

#include <iostream>
#include <string>
#include <vector>

#include "DefaultScenario.h"
#include "DemoNetwork.h"
#include "DemoOptions.h"
#include "ScenarioError.h"
#include "ScenarioParser.h"

int main(int argc, char** argv) {
    using namespace demonet;

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const DemoOptionsResult parsed = ParseDemoOptions(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "zorvik-demonet: " << parsed.error << "\n"
                  << "Try 'zorvik-demonet --help' for more information.\n";
        return 2;
    }
    if (parsed.options.help) {
        std::cout << DemoUsage();
        return 0;
    }

    Scenario scenario;
    std::string scenarioName;
    try {
        if (parsed.options.scenarioPath) {
            scenarioName = *parsed.options.scenarioPath;
            scenario = ScenarioParser::parseFile(scenarioName);
        } else {
            scenarioName = kDefaultScenarioName;
            scenario = ScenarioParser(scenarioName).parse(DefaultScenarioText());
        }
    } catch (const ScenarioError& error) {
        std::cerr << "zorvik-demonet: " << error.what() << "\n";
        return 1;
    }

    DemoNetwork network(parsed.options, std::move(scenario), scenarioName, std::cout, std::cerr);
    return network.run();
}
