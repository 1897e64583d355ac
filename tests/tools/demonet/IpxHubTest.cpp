#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <poll.h>

#include "IpxHub.h"
#include "IpxPacket.h"
#include "LoopbackClient.h"

using demonet::IpxHub;
using demonet::IpxNode;
using demonet::kBroadcastNode;
using namespace std::chrono_literals;

namespace {

IpxNode NodeOf(const std::vector<std::uint8_t>& packet, std::size_t offset) {
    IpxNode node{};
    std::copy(packet.begin() + static_cast<long>(offset), packet.begin() + static_cast<long>(offset) + 6,
              node.begin());
    return node;
}

std::vector<std::uint8_t> Registration() {
    demonet::IpxHeader header;
    header.destination.socket = demonet::kEchoSocket;
    header.source.socket = demonet::kEchoSocket;
    std::vector<std::uint8_t> bytes(demonet::kIpxHeaderSize);
    demonet::WriteIpxHeader(header, std::span<std::uint8_t, demonet::kIpxHeaderSize>(bytes.data(), bytes.size()));
    return bytes;
}

class IpxHubTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hub = std::make_unique<IpxHub>([this](const std::string& line) { m_log.push_back(line); });
        m_hub->open(0);
    }

    // Lets the hub handle whatever the clients have sent so far.
    void pump(IpxHub::Clock::time_point now = IpxHub::Clock::now()) {
        pollfd descriptor{m_hub->fd(), POLLIN, 0};
        ASSERT_EQ(::poll(&descriptor, 1, 2000), 1) << "the hub saw no datagram";
        m_hub->processIncoming(now);
    }

    std::unique_ptr<LoopbackClient> joined() {
        auto client = std::make_unique<LoopbackClient>(m_hub->port());
        client->send(Registration());
        pump();
        const auto answer = client->receive(2s);
        EXPECT_TRUE(answer.has_value()) << "no answer to the registration";
        return client;
    }

    std::unique_ptr<IpxHub> m_hub;
    std::vector<std::string> m_log;
};

TEST_F(IpxHubTest, RegistrationAnswersWithTheClientsAddressAsNode) {
    LoopbackClient client(m_hub->port());
    const auto bytes = Registration();

    // Registering twice (DOSBox retries) keeps one client with the same node.
    for (int attempt = 0; attempt < 2; ++attempt) {
        client.send(bytes);
        pump();
        const auto answer = client.receive(2s);
        ASSERT_TRUE(answer.has_value());
        ASSERT_EQ(answer->size(), demonet::kIpxHeaderSize);
        const auto parsed = demonet::ReadIpxHeader(
            std::span<const std::uint8_t, demonet::kIpxHeaderSize>(answer->data(), demonet::kIpxHeaderSize));
        EXPECT_EQ(parsed.destination.node, client.expectedNode());
        EXPECT_EQ(parsed.destination.network, (demonet::IpxNetwork{0, 0, 0, 0}));
        EXPECT_EQ(parsed.destination.socket, demonet::kEchoSocket);
        EXPECT_EQ(parsed.length, demonet::kIpxHeaderSize);
    }
    EXPECT_EQ(m_hub->clientCount(), 1u);
    ASSERT_FALSE(m_log.empty());
    EXPECT_NE(m_log.front().find("registered"), std::string::npos);
}

TEST_F(IpxHubTest, BroadcastReachesEveryOtherClientButNotTheSender) {
    auto a = joined();
    auto b = joined();
    auto c = joined();

    const auto broadcast = MakePacket(kBroadcastNode, 0x4000, a->expectedNode(), {'h', 'e', 'y'});
    a->send(broadcast);
    pump();
    EXPECT_EQ(b->receive(2s), broadcast);
    EXPECT_EQ(c->receive(2s), broadcast);

    // A's next datagram must be this marker: had the hub echoed the broadcast, that would come first.
    const auto marker = MakePacket(a->expectedNode(), 0x4000, b->expectedNode(), {'m'});
    b->send(marker);
    pump();
    EXPECT_EQ(a->receive(2s), marker);
}

TEST_F(IpxHubTest, UnicastReachesOnlyTheAddressedClient) {
    auto a = joined();
    auto b = joined();
    auto c = joined();

    const auto unicast = MakePacket(b->expectedNode(), 0x4000, a->expectedNode(), {'t', 'o', ' ', 'b'});
    a->send(unicast);
    pump();
    EXPECT_EQ(b->receive(2s), unicast);

    const auto marker = MakePacket(kBroadcastNode, 0x4000, a->expectedNode(), {'m'});
    a->send(marker);
    pump();
    EXPECT_EQ(c->receive(2s), marker) << "the unicast leaked to a third client";
    EXPECT_EQ(b->receive(2s), marker);
}

TEST_F(IpxHubTest, DatagramsAreCutAt1424Bytes) {
    auto a = joined();
    auto b = joined();

    std::vector<std::uint8_t> payload(2000 - demonet::kIpxHeaderSize);
    for (std::size_t k = 0; k < payload.size(); ++k)
        payload[k] = static_cast<std::uint8_t>(k * 7);
    const auto big = MakePacket(kBroadcastNode, 0x4000, a->expectedNode(), payload);
    a->send(big);
    pump();
    const auto received = b->receive(2s);
    ASSERT_TRUE(received.has_value());
    ASSERT_EQ(received->size(), demonet::kTunnelMaxDatagram);
    EXPECT_TRUE(std::equal(received->begin(), received->end(), big.begin()));

    // Exactly 1424 bytes pass whole.
    const std::vector<std::uint8_t> exact(big.begin(), big.begin() + demonet::kTunnelMaxDatagram);
    a->send(exact);
    pump();
    EXPECT_EQ(b->receive(2s), exact);
}

TEST_F(IpxHubTest, StrangersAndGarbageGetNoAnswerAndNoDelivery) {
    auto member = joined();
    LoopbackClient stranger(m_hub->port());

    const std::vector<std::vector<std::uint8_t>> garbage = {
        {},                                                            // empty datagram
        {0xFF, 0xFF, 0x00},                                            // too short for a header
        std::vector<std::uint8_t>(29, 0x00),                           // one byte short of a registration
        MakePacket(kBroadcastNode, 0x4000, stranger.expectedNode(), {'x'}),  // well formed, but never registered
        MakePacket(member->expectedNode(), 0x4000, stranger.expectedNode(), {'y'}),
    };
    for (const auto& datagram : garbage) {
        stranger.send(datagram);
        pump();
    }
    EXPECT_FALSE(stranger.receive(100ms).has_value());
    EXPECT_FALSE(member->receive(100ms).has_value());
    EXPECT_EQ(m_hub->clientCount(), 1u);

    // The hub still works afterwards, and the stranger may join like anyone.
    stranger.send(Registration());
    pump();
    const auto answer = stranger.receive(2s);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(NodeOf(*answer, 10), stranger.expectedNode());
    EXPECT_EQ(m_hub->clientCount(), 2u);
}

TEST_F(IpxHubTest, InjectedBroadcastReachesEveryClient) {
    auto a = joined();
    auto b = joined();
    const auto packet = MakePacket(kBroadcastNode, demonet::kSapSocket, IpxNode{0, 0, 0, 0, 0, 1}, {0, 2});
    EXPECT_EQ(m_hub->inject(packet), 2u);
    EXPECT_EQ(a->receive(2s), packet);
    EXPECT_EQ(b->receive(2s), packet);
}

TEST_F(IpxHubTest, SilentClientsAreDroppedAndPingAnswersKeepClientsAlive) {
    const auto t0 = IpxHub::Clock::now();
    auto quiet = joined();
    auto lively = joined();
    ASSERT_EQ(m_hub->clientCount(), 2u);

    // The ping is a broadcast on socket 2 from the hub's own node.
    m_hub->ping();
    const auto ping = lively->receive(2s);
    ASSERT_TRUE(ping.has_value());
    ASSERT_EQ(ping->size(), demonet::kIpxHeaderSize);
    EXPECT_EQ(NodeOf(*ping, 10), kBroadcastNode);
    EXPECT_EQ(NodeOf(*ping, 22), m_hub->node());
    ASSERT_TRUE(quiet->receive(2s).has_value());

    // Only the lively client answers, as a DOSBox client does: a unicast back to the pinger.
    lively->send(MakePacket(m_hub->node(), demonet::kEchoSocket, lively->expectedNode(), {}));
    pump(t0 + 20s);

    m_hub->dropSilent(t0 + 25s, 10s);
    EXPECT_EQ(m_hub->clientCount(), 1u);
    const auto packet = MakePacket(kBroadcastNode, demonet::kSapSocket, IpxNode{0, 0, 0, 0, 0, 1}, {0, 2});
    EXPECT_EQ(m_hub->inject(packet), 1u);
    EXPECT_EQ(lively->receive(2s), packet);
    EXPECT_FALSE(quiet->receive(100ms).has_value());
    EXPECT_NE(m_log.back().find("client " + demonet::AddressText(quiet->address()) + " dropped"), std::string::npos)
        << m_log.back();
}

}  // namespace
