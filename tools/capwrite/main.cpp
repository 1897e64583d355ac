// zorvik-capwrite: writes a pcap capture of SAP traffic for tests and benchmarks.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "StormGenerator.h"

namespace {

using zorvik::capwrite::StormOptions;

void usage(std::FILE* out)
{
    std::fputs(
        "usage: zorvik-capwrite -o PATH [options]\n"
        "  -o, --output PATH       capture file to write (pcap)\n"
        "  --framing F             ethii | raw | llc | snap | mix   (default ethii)\n"
        "  --link L                ethernet | sll | sll2            (default ethernet)\n"
        "  --vlan N                802.1Q tags on each Ethernet frame, 0 to 2 (default 0)\n"
        "  --datagrams N           SAP general responses (default 100)\n"
        "  --services N            distinct services, advertised in turn (default 50)\n"
        "  --entries N|storm       entries per response, 1 to 7, or the storm mix:\n"
        "                          7 in 80 %, 1 to 6 in the rest  (default 7)\n"
        "  --queries N             SAP general queries mixed in (default 0)\n"
        "  --other N               non-SAP IPX packets (RIP) mixed in (default 0)\n"
        "  --malformed N           malformed frames mixed in (default 0)\n"
        "  --interval-us N         time between frames (default 1000)\n"
        "  --seed N                seed for the mix (default 1)\n",
        out);
}

bool number(const char* text, std::uint64_t& value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (*end || errno || text[0] == '-')
        return false;
    value = parsed;
    return true;
}

bool parse(int argc, char** argv, StormOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") {
            usage(stdout);
            std::exit(0);
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) {
            std::fprintf(stderr, "zorvik-capwrite: %s needs a value\n", option.c_str());
            return false;
        }
        ++i;
        std::uint64_t n = 0;
        bool ok = true;
        if (option == "-o" || option == "--output") {
            options.path = value;
        } else if (option == "--framing") {
            options.mixFramings = std::strcmp(value, "mix") == 0;
            ok = options.mixFramings || zorvik::capwrite::framingFromName(value, options.framing);
        } else if (option == "--link") {
            const std::string link = value;
            options.linkType = link == "ethernet" ? zorvik::capwrite::kLinkEthernet
                               : link == "sll"    ? zorvik::capwrite::kLinkLinuxSll
                               : link == "sll2"   ? zorvik::capwrite::kLinkLinuxSll2
                                                  : 0;
            ok = options.linkType != 0;
        } else if (option == "--vlan") {
            ok = number(value, n) && n <= 2;
            options.vlanTags = static_cast<int>(n);
        } else if (option == "--datagrams") {
            ok = number(value, options.datagrams);
        } else if (option == "--services") {
            ok = number(value, options.services) && options.services > 0;
        } else if (option == "--entries") {
            if (std::strcmp(value, "storm") == 0) {
                options.entries = 0;
            } else {
                ok = number(value, n) && n >= 1 && n <= 7;
                options.entries = static_cast<int>(n);
            }
        } else if (option == "--queries") {
            ok = number(value, options.queries);
        } else if (option == "--other") {
            ok = number(value, options.otherIpx);
        } else if (option == "--malformed") {
            ok = number(value, options.malformed);
        } else if (option == "--interval-us") {
            ok = number(value, options.intervalUs);
        } else if (option == "--seed") {
            ok = number(value, options.seed);
        } else {
            std::fprintf(stderr, "zorvik-capwrite: unknown option %s\n", option.c_str());
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "zorvik-capwrite: bad value for %s: %s\n", option.c_str(), value);
            return false;
        }
    }
    if (options.path.empty()) {
        std::fputs("zorvik-capwrite: no output path (-o PATH)\n", stderr);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    StormOptions options;
    if (!parse(argc, argv, options)) {
        usage(stderr);
        return 2;
    }
    zorvik::capwrite::StormSummary summary;
    std::string error;
    if (!zorvik::capwrite::writeStorm(options, summary, error)) {
        std::fprintf(stderr, "zorvik-capwrite: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %llu frames, %llu responses, %llu entries, %llu distinct services\n", options.path.c_str(),
                static_cast<unsigned long long>(summary.frames), static_cast<unsigned long long>(summary.responses),
                static_cast<unsigned long long>(summary.entries),
                static_cast<unsigned long long>(summary.distinctServices));
    return 0;
}
