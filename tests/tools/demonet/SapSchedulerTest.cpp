#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IpxPacket.h"
#include "SapScheduler.h"
#include "ScenarioParser.h"

using demonet::SapScheduler;
using namespace std::chrono_literals;

namespace {

struct SentEntry {
    std::string server;  // the sender's node as text
    std::string name;
    std::uint16_t hops;
};

// What one takeDue() call sent, entry by entry.
std::vector<SentEntry> Sent(const std::vector<SapScheduler::Action>& actions, std::size_t* datagrams = nullptr) {
    std::vector<SentEntry> entries;
    std::size_t count = 0;
    for (const auto& action : actions) {
        const auto& d = action.datagram;
        if (d.empty())
            continue;
        ++count;
        EXPECT_EQ(demonet::GetBigEndian16(d.data() + 2), d.size()) << "IPX length field";
        EXPECT_EQ((d.size() - 32) % 64, 0u);
        const std::string sender = demonet::NodeText(
            demonet::ReadIpxHeader(std::span<const std::uint8_t, 30>(d.data(), 30)).source.node);
        for (std::size_t slot = 32; slot + 64 <= d.size(); slot += 64)
            entries.push_back({sender, std::string(reinterpret_cast<const char*>(d.data() + slot + 2)),
                               demonet::GetBigEndian16(d.data() + slot + 62)});
    }
    if (datagrams)
        *datagrams = count;
    return entries;
}

std::vector<std::string> Names(const std::vector<SentEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.name);
    return names;
}

constexpr const char* kScenario = R"(
server BIG network=00000001 node=000000000001
service S1 type=4 socket=451
service S2 type=4 socket=451
service S3 type=4 socket=451
service S4 type=4 socket=451
service S5 type=4 socket=451
service S6 type=4 socket=451
service S7 type=4 socket=451
service S8 type=4 socket=451 hops=2 down=2.5
server SMALL network=00000002 node=000000000002
service T1 type=7 socket=8060 down=0
server LATE network=00000003 node=000000000003 start=5
service L1 type=3 socket=8060
)";

class SapSchedulerTest : public ::testing::Test {
protected:
    demonet::Scenario m_scenario = demonet::ScenarioParser("test").parse(kScenario);
    SapScheduler::Clock::time_point m_t0{};
    SapScheduler m_scheduler{m_scenario, 1s, m_t0};
};

TEST_F(SapSchedulerTest, FirstRoundsComeAtStartUpEachServerAtItsOwnOffset) {
    std::size_t datagrams = 0;
    auto sent = Sent(m_scheduler.takeDue(m_t0), &datagrams);
    // Eight services: the first seven go at once, the eighth a gap later.
    EXPECT_EQ(datagrams, 1u);
    EXPECT_EQ(Names(sent), (std::vector<std::string>{"S1", "S2", "S3", "S4", "S5", "S6", "S7"}));
    EXPECT_EQ(m_scheduler.nextDue(), m_t0 + SapScheduler::kDatagramGap);

    sent = Sent(m_scheduler.takeDue(m_t0 + 300ms));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].name, "S8");
    EXPECT_EQ(sent[0].hops, 2);
    // The second server speaks after the first, at an offset of its own, with its down service at hops 16.
    EXPECT_EQ(sent[1].name, "T1");
    EXPECT_EQ(sent[1].server, "000000000002");
    EXPECT_EQ(sent[1].hops, 16);
}

TEST_F(SapSchedulerTest, RoundsRepeatEveryIntervalAndLateServersWaitForTheirStart) {
    std::vector<std::string> names;
    std::size_t datagrams = 0;
    // Walk through the first 4.9 seconds in small steps, as the program's loop does.
    for (auto t = m_t0; t < m_t0 + 4900ms; t += 10ms) {
        std::size_t step = 0;
        for (auto& name : Names(Sent(m_scheduler.takeDue(t), &step)))
            names.push_back(name);
        datagrams += step;
    }
    EXPECT_EQ(std::count(names.begin(), names.end(), "S1"), 5);  // rounds at 0, 1, 2, 3 and 4 s
    EXPECT_EQ(std::count(names.begin(), names.end(), "T1"), 5);
    EXPECT_EQ(std::count(names.begin(), names.end(), "L1"), 0);
    // S8 once more for its announcement when it goes down at 2.5 s.
    EXPECT_EQ(std::count(names.begin(), names.end(), "S8"), 6);
    EXPECT_EQ(datagrams, 5u * 3u + 1u);

    const auto late = Sent(m_scheduler.takeDue(m_t0 + 5s + 500ms));
    EXPECT_EQ(std::count_if(late.begin(), late.end(), [](const SentEntry& e) { return e.name == "L1"; }), 1);
}

TEST_F(SapSchedulerTest, AServiceThatGoesDownIsAnnouncedAtOnceAndStaysAtHops16) {
    for (auto t = m_t0; t <= m_t0 + 2490ms; t += 10ms)
        m_scheduler.takeDue(t);
    const auto down = m_scheduler.takeDue(m_t0 + 2500ms);
    const auto announced = Sent(down);
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].name, "S8");
    EXPECT_EQ(announced[0].hops, 16);
    bool logged = false;
    for (const auto& action : down)
        logged = logged || action.logLine.find("S8") != std::string::npos;
    EXPECT_TRUE(logged);

    std::vector<SentEntry> later;
    for (auto t = m_t0 + 2510ms; t < m_t0 + 3500ms; t += 10ms)
        for (auto& entry : Sent(m_scheduler.takeDue(t)))
            later.push_back(entry);
    const auto s8 = std::find_if(later.begin(), later.end(), [](const SentEntry& e) { return e.name == "S8"; });
    ASSERT_NE(s8, later.end());
    EXPECT_EQ(s8->hops, 16);
    const auto s1 = std::find_if(later.begin(), later.end(), [](const SentEntry& e) { return e.name == "S1"; });
    ASSERT_NE(s1, later.end());
    EXPECT_EQ(s1->hops, 0);
}

}  // namespace
