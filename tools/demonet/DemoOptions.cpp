#include "DemoOptions.h"

#include <charconv>
#include <cmath>

namespace demonet {

namespace {

bool ParseSeconds(const std::string& text, double minimum, double& value) {
    double number = 0.0;
    const auto [ptr, ec] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(number) ||
        number < minimum || number > 86400.0)
        return false;
    value = number;
    return true;
}

}  // namespace

std::string DemoUsage() {
    return "Usage: zorvik-demonet [OPTION]...\n"
           "Stands up an IPX network on loopback: a DOSBox-compatible IPX-over-UDP hub on\n"
           "127.0.0.1 with simulated servers behind it that advertise services over SAP.\n"
           "\n"
           "  --port PORT          UDP port of the hub (default 21300; 0 picks a free one)\n"
           "  --scenario FILE      servers and services to simulate (default: the built-in\n"
           "                       scenario, the same as share/zorvik/default.scenario)\n"
           "  --interval SECONDS   time between two rounds of one server (default 60)\n"
           "  --silence SECONDS    drop a client not heard from this long (default 300;\n"
           "                       0 keeps every client); the hub pings clients meanwhile\n"
           "  --quiet              print only the line that gives the hub's address\n"
           "  --help               show this help and exit\n"
           "\n"
           "Join it from DOSBox with 'ipxnet connect 127.0.0.1 PORT', or run Zorvik with\n"
           "TOLVSIPX=dosbox:127.0.0.1:PORT. Ctrl+C or SIGTERM stops it.\n";
}

DemoOptionsResult ParseDemoOptions(const std::vector<std::string>& arguments) {
    DemoOptionsResult result;
    DemoOptions& options = result.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.erase(eq);
        }
        const bool takesValue = name == "--port" || name == "--scenario" || name == "--interval" ||
                                name == "--silence";
        if (!takesValue && inlineValue) {
            result.error = "option '" + name + "' takes no value";
            return result;
        }
        std::string value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                result.error = "option '" + name + "' needs a value";
                return result;
            }
        }

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--port") {
            unsigned port = 0;
            const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            if (value.empty() || ec != std::errc() || ptr != value.data() + value.size() || port > 65535) {
                result.error = "--port needs a number from 0 to 65535, got '" + value + "'";
                return result;
            }
            options.port = static_cast<std::uint16_t>(port);
        } else if (name == "--scenario") {
            if (value.empty()) {
                result.error = "--scenario needs a file name";
                return result;
            }
            options.scenarioPath = value;
        } else if (name == "--interval") {
            if (!ParseSeconds(value, 0.05, options.intervalSeconds)) {
                result.error = "--interval needs a number of seconds from 0.05 to 86400, got '" + value + "'";
                return result;
            }
        } else if (name == "--silence") {
            if (!ParseSeconds(value, 0.0, options.silenceSeconds)) {
                result.error = "--silence needs a number of seconds from 0 to 86400, got '" + value + "'";
                return result;
            }
        } else if (name.rfind("-", 0) == 0) {
            result.error = "unknown option '" + name + "'";
            return result;
        } else {
            result.error = "unexpected argument '" + name + "'";
            return result;
        }
    }
    return result;
}

}  // namespace demonet
