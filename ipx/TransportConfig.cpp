#include "TransportConfig.h"

#include <string_view>

namespace zorvik::ipx {

namespace {

bool parsePort(std::string_view text, std::uint16_t& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool parseHub(std::string_view rest, TransportConfig& config)
{
    config.port = kDefaultHubPort;
    std::string_view host = rest;
    if (!rest.empty() && rest.front() == '[')
        return false;  // the tunnel is IPv4 only
    const auto colon = rest.rfind(':');
    if (colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        if (!parsePort(rest.substr(colon + 1), config.port))
            return false;
    }
    if (host.empty() || host.find(':') != std::string_view::npos)
        return false;
    config.target = std::string(host);
    return true;
}

}  // namespace

bool parseTransportConfig(const char* value, TransportConfig& config)
{
    config = TransportConfig{};
    if (!value || !*value)
        return true;
    const std::string_view text(value);
    const auto colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view scheme = text.substr(0, colon);
    const std::string_view rest = text.substr(colon + 1);
    if (scheme == "dosbox") {
        config.kind = TransportConfig::Kind::Dosbox;
        return parseHub(rest, config);
    }
    if (rest.empty())
        return false;
    config.target = std::string(rest);
    if (scheme == "eth")
        config.kind = TransportConfig::Kind::Live;
    else if (scheme == "file")
        config.kind = TransportConfig::Kind::File;
    else if (scheme == "replay")
        config.kind = TransportConfig::Kind::Replay;
    else
        return false;
    return true;
}

}  // namespace zorvik::ipx
