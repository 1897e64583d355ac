#include "ReportOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace report {

namespace {

// Longer than any sensible run, short enough that the deadline arithmetic stays exact.
constexpr double kMaxDurationSeconds = 366.0 * 24 * 3600;

bool ParseDuration(const std::string& text, double& seconds) {
    if (text.empty() || text.front() == ' ' || text.front() == '+' || text.front() == '-') return false;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    if (!std::isfinite(value) || value <= 0 || value > kMaxDurationSeconds) return false;
    seconds = value;
    return true;
}

}  // namespace

int SortColumnFromName(const std::string& name) {
    if (name == "name") return 0;
    if (name == "type") return 1;
    if (name == "address") return 2;
    if (name == "hops") return 3;
    return -1;
}

bool ParseReportOptions(const std::vector<std::string>& args, ReportOptions& options, std::string& error) {
    options = ReportOptions{};
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool inlineValue = false;
        if (option.rfind("--", 0) == 0) {
            const std::size_t equals = option.find('=');
            if (equals != std::string::npos) {
                value = option.substr(equals + 1);
                option.resize(equals);
                inlineValue = true;
            }
        }
        if (option == "--help" || option == "-h") {
            if (inlineValue) {
                error = "option " + option + " takes no value";
                return false;
            }
            options.help = true;
            continue;
        }
        const bool takesValue =
            option == "--duration" || option == "--transport" || option == "--sort" || option == "-o" || option == "--output";
        if (!takesValue) {
            error = (option.size() > 1 && option[0] == '-') ? "unknown option " + option
                                                            : "unexpected argument " + option;
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option " + option + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (option == "--duration") {
            double seconds = 0;
            if (!ParseDuration(value, seconds)) {
                error = "--duration needs a number of seconds above 0 and at most 366 days, not '" + value + "'";
                return false;
            }
            options.durationSeconds = seconds;
        } else if (option == "--transport") {
            if (value.empty()) {
                error = "--transport needs a value (eth:IFNAME, eth:any, file:PATH, replay:PATH, dosbox:HOST[:PORT])";
                return false;
            }
            options.transport = value;
        } else if (option == "--sort") {
            options.sortColumn = SortColumnFromName(value);
            if (options.sortColumn < 0) {
                error = "--sort takes name, type, address or hops, not '" + value + "'";
                return false;
            }
        } else {
            if (haveOutput) {
                error = "only one -o FILE may be given";
                return false;
            }
            if (value.empty()) {
                error = "-o needs a file name (or - for standard output)";
                return false;
            }
            options.output = value;
            haveOutput = true;
        }
    }
    return true;
}

const char* ReportUsage() {
    return "Usage: zorvik-report [--duration SECONDS] [--transport VALUE]\n"
           "                     [--sort name|type|address|hops] [-o FILE|-]\n"
           "\n"
           "Gathers SAP service advertisements and writes the fixed-width service\n"
           "report (the same bytes as Save in Zorvik) to FILE, or to standard output\n"
           "when -o is - or not given.\n"
           "\n"
           "  --duration SECONDS  gather this long (fractions allowed). Without it a\n"
           "                      file: capture is read to its end; every other\n"
           "                      transport needs --duration.\n"
           "  --transport VALUE   the transport for this run, as TOLVSIPX takes it:\n"
           "                      eth:IFNAME, eth:any, file:PATH, replay:PATH,\n"
           "                      dosbox:HOST[:PORT]. Default: the TOLVSIPX variable.\n"
           "  --sort COLUMN       rows ascending by name, type, address or hops\n"
           "                      (default: newest first, as gathered).\n"
           "  -o FILE             write the report to FILE (replaced atomically).\n"
           "  --help              show this help.\n"
           "\n"
           "SIGINT or SIGTERM ends gathering early; the report is still written.\n"
           "Exit status: 0 done, 1 transport or write failure, 2 bad arguments.\n";
}

}  // namespace report
