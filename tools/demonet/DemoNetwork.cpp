#include "DemoNetwork.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <poll.h>
#include <signal.h>

#include "IpxHub.h"
#include "SapScheduler.h"
#include "StopSignal.h"

namespace demonet {

namespace {

using Clock = std::chrono::steady_clock;

Clock::duration Seconds(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

timespec Timeout(Clock::duration wait) {
    wait = std::max(wait, Clock::duration::zero());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(wait - seconds);
    timespec result{};
    result.tv_sec = static_cast<time_t>(seconds.count());
    result.tv_nsec = static_cast<long>(nanoseconds.count());
    return result;
}

}  // namespace

DemoNetwork::DemoNetwork(DemoOptions options, Scenario scenario, std::string scenarioName, std::ostream& out,
                         std::ostream& err)
    : m_options(std::move(options)),
      m_scenario(std::move(scenario)),
      m_scenarioName(std::move(scenarioName)),
      m_out(out),
      m_err(err) {}

void DemoNetwork::event(const std::string& line) {
    if (m_options.quiet)
        return;
    const double elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
    char stamp[32] = {};
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", elapsed);
    m_out << stamp << line << std::endl;
}

int DemoNetwork::run() {
    // Signals are caught before anything else, so a stop right at start-up is still clean.
    const tools::StopSignal stop;
    m_start = Clock::now();

    IpxHub hub([this](const std::string& line) { event(line); });
    try {
        hub.open(m_options.port);
    } catch (const std::system_error& error) {
        m_err << "zorvik-demonet: " << error.what() << std::endl;
        return 1;
    }
    // Scripts and tests read the port from this line, so it is printed even with --quiet.
    m_out << "zorvik-demonet: hub listening on 127.0.0.1:" << hub.port() << std::endl;

    std::size_t serviceCount = 0;
    for (const ScenarioServer& server : m_scenario.servers)
        serviceCount += server.services.size();
    char interval[32] = {};
    std::snprintf(interval, sizeof interval, "%g", m_options.intervalSeconds);
    event("scenario " + m_scenarioName + ": " + std::to_string(m_scenario.servers.size()) + " servers, " +
          std::to_string(serviceCount) + " services; a round every " + interval + " s");

    SapScheduler scheduler(m_scenario, Seconds(m_options.intervalSeconds), m_start);
    const bool dropsSilent = m_options.silenceSeconds > 0.0;
    const Clock::duration silence = Seconds(m_options.silenceSeconds);
    // Pinging a few times per silence period keeps every answering client well inside it.
    const Clock::duration pingEvery = std::max<Clock::duration>(silence / 4, std::chrono::milliseconds(50));
    Clock::time_point nextPing = m_start + pingEvery;

    while (!stop.requested()) {
        Clock::time_point now = Clock::now();
        for (SapScheduler::Action& action : scheduler.takeDue(now)) {
            if (action.startsRound)
                event(action.logLine + ", to " + std::to_string(hub.clientCount()) +
                      (hub.clientCount() == 1 ? " client" : " clients"));
            else if (!action.logLine.empty())
                event(action.logLine);
            if (!action.datagram.empty())
                hub.inject(action.datagram);
        }
        if (dropsSilent && now >= nextPing) {
            hub.dropSilent(now, silence);
            hub.ping();
            nextPing = now + pingEvery;
        }

        Clock::time_point wake = scheduler.nextDue();
        if (dropsSilent)
            wake = std::min(wake, nextPing);
        pollfd descriptor{hub.fd(), POLLIN, 0};
        const timespec timeout = Timeout(wake == Clock::time_point::max() ? std::chrono::hours(1) : wake - now);
        const int ready = ::ppoll(&descriptor, 1, &timeout, stop.waitMask());
        if (ready < 0 && errno != EINTR) {
            m_err << "zorvik-demonet: waiting for datagrams failed: " << std::strerror(errno) << std::endl;
            return 1;
        }
        if (ready > 0 && (descriptor.revents & POLLIN))
            hub.processIncoming(Clock::now());
    }

    event(std::string("stopping on ") + (stop.signalNumber() == SIGINT ? "SIGINT" : "SIGTERM"));
    return 0;
}

}  // namespace demonet
