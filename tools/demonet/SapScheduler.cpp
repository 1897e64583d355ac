#include "SapScheduler.h"

#include <algorithm>
#include <cstdio>

#include "IpxPacket.h"
#include "SapResponse.h"

namespace demonet {

namespace {

SapScheduler::Clock::duration Seconds(double seconds) {
    return std::chrono::duration_cast<SapScheduler::Clock::duration>(std::chrono::duration<double>(seconds));
}

std::string TypeText(std::uint16_t type) {
    char text[5] = {};
    std::snprintf(text, sizeof text, "%04X", type);
    return text;
}

std::string Plural(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

bool SapScheduler::Later::operator()(const Event& a, const Event& b) const {
    if (a.when != b.when)
        return a.when > b.when;
    return a.order > b.order;
}

SapScheduler::SapScheduler(const Scenario& scenario, Clock::duration interval, Clock::time_point start)
    : m_scenario(scenario), m_interval(interval), m_state(scenario.servers.size()) {
    const std::size_t count = m_scenario.servers.size();
    const Clock::duration step =
        count == 0 ? Clock::duration::zero() : std::min<Clock::duration>(interval / count, kMaxServerOffset);
    for (std::size_t s = 0; s < count; ++s) {
        const ScenarioServer& server = m_scenario.servers[s];
        const Clock::time_point up = start + Seconds(server.startSeconds);
        m_state[s].down.assign(server.services.size(), false);
        for (std::size_t k = 0; k < server.services.size(); ++k) {
            const auto& down = server.services[k].downAfterSeconds;
            if (!down)
                continue;
            // A service already down when its server comes up is simply advertised down.
            if (*down <= server.startSeconds)
                m_state[s].down[k] = true;
            else
                push({start + Seconds(*down), 0, Kind::ServiceDown, s, k, {}, {}});
        }
        push({up + step * static_cast<long>(s), 0, Kind::Round, s, 0, {}, {}});
    }
}

void SapScheduler::push(Event event) {
    event.order = m_nextOrder++;
    m_events.push(std::move(event));
}

SapScheduler::Clock::time_point SapScheduler::nextDue() const {
    return m_events.empty() ? Clock::time_point::max() : m_events.top().when;
}

std::vector<SapScheduler::Action> SapScheduler::takeDue(Clock::time_point now) {
    std::vector<Action> actions;
    while (!m_events.empty() && m_events.top().when <= now) {
        Event event = m_events.top();
        m_events.pop();
        switch (event.kind) {
        case Kind::Round:
            runRound(event, actions);
            // After a long stall (a suspended machine) skip the missed rounds rather than burst them.
            event.when = std::max(event.when + m_interval, now);
            push(std::move(event));
            break;
        case Kind::ServiceDown:
            runServiceDown(event, actions);
            break;
        case Kind::Send:
            actions.push_back({std::move(event.logLine), std::move(event.datagram), false});
            break;
        }
    }
    return actions;
}

void SapScheduler::runRound(const Event& event, std::vector<Action>& actions) {
    const ScenarioServer& server = m_scenario.servers[event.server];
    ServerState& state = m_state[event.server];
    if (!state.up) {
        state.up = true;
        actions.push_back({"server " + server.name + " up: network " + NetworkText(server.network) + " node " +
                               NodeText(server.node) + ", " + Plural(server.services.size(), "service"),
                           {}});
    }
    ++state.rounds;
    std::vector<std::size_t> all(server.services.size());
    for (std::size_t k = 0; k < all.size(); ++k)
        all[k] = k;
    auto datagrams = buildDatagrams(event.server, all);
    actions.push_back({server.name + ": round " + std::to_string(state.rounds) + ", " +
                           Plural(all.size(), "service") + " in " + Plural(datagrams.size(), "datagram"),
                       {},
                       true});
    sendSpaced(std::move(datagrams), event.when, actions);
}

void SapScheduler::runServiceDown(const Event& event, std::vector<Action>& actions) {
    const ScenarioServer& server = m_scenario.servers[event.server];
    ServerState& state = m_state[event.server];
    state.down[event.service] = true;
    if (!state.up)
        return;  // its first round will carry hops 16
    const ScenarioService& service = server.services[event.service];
    actions.push_back({server.name + ": service " + service.name + " (type " + TypeText(service.type) +
                           ") went down, announced with hops 16",
                       {}});
    sendSpaced(buildDatagrams(event.server, {event.service}), event.when, actions);
}

void SapScheduler::sendSpaced(std::vector<std::vector<std::uint8_t>> datagrams, Clock::time_point t,
                              std::vector<Action>& actions) {
    for (std::size_t k = 0; k < datagrams.size(); ++k) {
        if (k == 0)
            actions.push_back({{}, std::move(datagrams[k]), false});
        else
            push({t + kDatagramGap * static_cast<long>(k), 0, Kind::Send, 0, 0, std::move(datagrams[k]), {}});
    }
}

std::vector<std::vector<std::uint8_t>> SapScheduler::buildDatagrams(std::size_t server,
                                                                    const std::vector<std::size_t>& services) const {
    const ScenarioServer& source = m_scenario.servers[server];
    std::vector<SapEntry> entries;
    entries.reserve(services.size());
    for (const std::size_t k : services) {
        const ScenarioService& service = source.services[k];
        SapEntry entry;
        entry.type = service.type;
        entry.name = service.name;
        entry.address = {source.network, source.node, service.socket};
        entry.hops = m_state[server].down[k] ? kSapHopsUnreachable : service.hops;
        entries.push_back(std::move(entry));
    }
    return BuildSapGeneralResponses({source.network, source.node, kSapSocket}, entries);
}

}  // namespace demonet
