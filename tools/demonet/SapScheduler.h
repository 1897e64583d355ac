#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <queue>
#include <string>
#include <vector>

#include "Scenario.h"

namespace demonet {

// Decides when each simulated server sends what. Each server sends a full
// round of its services when it comes up and then every interval, at its own
// offset so that the servers do not all speak at once; a round of more than
// seven services takes several datagrams, a short gap apart. A service that
// goes down is announced at once with hops 16 and keeps that in later rounds.
class SapScheduler {
public:
    using Clock = std::chrono::steady_clock;

    // What is due: a datagram to send through the hub, a line to print, or both.
    struct Action {
        std::string logLine;
        std::vector<std::uint8_t> datagram;
        bool startsRound = false;  // the line announces a round about to go out
    };

    static constexpr Clock::duration kDatagramGap = std::chrono::milliseconds(55);
    static constexpr Clock::duration kMaxServerOffset = std::chrono::milliseconds(250);

    SapScheduler(const Scenario& scenario, Clock::duration interval, Clock::time_point start);

    Clock::time_point nextDue() const;
    // Everything due at or before now, in time order.
    std::vector<Action> takeDue(Clock::time_point now);

private:
    enum class Kind { Round, ServiceDown, Send };

    struct Event {
        Clock::time_point when;
        std::uint64_t order = 0;  // keeps events of the same time in the order they were made
        Kind kind = Kind::Round;
        std::size_t server = 0;
        std::size_t service = 0;
        std::vector<std::uint8_t> datagram;
        std::string logLine;
    };
    struct Later {
        bool operator()(const Event& a, const Event& b) const;
    };
    struct ServerState {
        bool up = false;
        std::uint64_t rounds = 0;
        std::vector<bool> down;
    };

    void push(Event event);
    void runRound(const Event& event, std::vector<Action>& actions);
    void runServiceDown(const Event& event, std::vector<Action>& actions);
    // Queues datagrams from t on, a gap apart; the first goes out at once.
    void sendSpaced(std::vector<std::vector<std::uint8_t>> datagrams, Clock::time_point t,
                    std::vector<Action>& actions);
    std::vector<std::vector<std::uint8_t>> buildDatagrams(std::size_t server,
                                                          const std::vector<std::size_t>& services) const;

    Scenario m_scenario;
    Clock::duration m_interval;
    std::vector<ServerState> m_state;
    std::priority_queue<Event, std::vector<Event>, Later> m_events;
    std::uint64_t m_nextOrder = 0;
};

}  // namespace demonet
