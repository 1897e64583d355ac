// The DOSBox tunnel client against a hub of our own on loopback.

#include <chrono>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CapturePackets.h"
#include "FakeHub.h"
#include "IpxTestSupport.h"
#include "TolvSipxStatus.h"
#include "TolvSipxTesting.h"

namespace {

using namespace zorvik::ipxtest;
namespace cw = zorvik::capwrite;
using Packet = std::vector<std::uint8_t>;

Packet sapPacket(const std::string& name, std::uint16_t socket = 0x0452, const std::uint8_t* sourceNode = nullptr)
{
    cw::ServiceEntry entry;
    entry.name = name;
    entry.type = 4;
    cw::IpxEndpoint destination = cw::sapBroadcast();
    destination.socket = socket;
    cw::IpxEndpoint source;
    const std::uint8_t other[6] = {10, 0, 0, 9, 0x13, 0x88};
    std::memcpy(source.node, sourceNode ? sourceNode : other, 6);
    source.socket = 0x4000;
    return cw::ipxPacket(destination, source, 4, cw::sapResponse({entry}));
}

class DosboxClient : public ::testing::Test {
protected:
    void SetUp() override { TolvSipxTestSetDosboxTimers(1500, 50); }
    void TearDown() override { TolvSipxTestReset(); }

    std::string setting(std::uint16_t port) const { return "dosbox:127.0.0.1:" + std::to_string(port); }

    // Pumps the client until the check answers something other than pending.
    static TOLVSIPX_STATUS pumpUntilSettled(Receiver& receiver, int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        TOLVSIPX_STATUS status = TOLVSIPX_STATUS_PENDING;
        while (status == TOLVSIPX_STATUS_PENDING && std::chrono::steady_clock::now() < deadline)
            status = receiver.receive(20);
        return status;
    }

    FakeHub m_hub;
};

TEST_F(DosboxClient, RegistersAndAnswersPingsFromItsAssignedNode)
{
    const TransportSetting use(setting(m_hub.port()));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(m_hub.clients().size(), 1u);
    const Packet node = FakeHub::nodeOf(m_hub.clients()[0]);

    // A ping: a broadcast to socket 2 from another client.
    Packet ping(30, 0);
    ping[0] = ping[1] = 0xFF;
    ping[3] = 30;
    std::memset(&ping[10], 0xFF, 6);
    ping[17] = 2;
    const std::uint8_t pinger[6] = {10, 0, 0, 9, 0x13, 0x88};
    std::memcpy(&ping[22], pinger, 6);
    ping[29] = 2;
    m_hub.sendToClients(ping);

    const auto answered = [&](const Packet& p) {
        return std::memcmp(&p[10], pinger, 6) == 0 && p[16] == 0 && p[17] == 2 &&
               std::memcmp(&p[22], node.data(), 6) == 0 && p[28] == 0 && p[29] == 2;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!m_hub.hasPacket(answered) && std::chrono::steady_clock::now() < deadline)
        receiver.receive(10);
    EXPECT_TRUE(m_hub.hasPacket(answered));
    // The ping itself is never handed to the caller.
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_PENDING);
}

TEST_F(DosboxClient, DeliversSapFromTheHubAndNothingFromStrangers)
{
    const TransportSetting use(setting(m_hub.port()));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    const sockaddr_in client = m_hub.clients().at(0);

    // A stranger on the hub's own host, once plainly and once claiming the hub's node.
    const int stranger = socket(AF_INET, SOCK_DGRAM, 0);
    const Packet plain = sapPacket("STRANGER");
    sendto(stranger, plain.data(), plain.size(), 0, reinterpret_cast<const sockaddr*>(&client), sizeof client);
    sockaddr_in hub{};
    hub.sin_family = AF_INET;
    hub.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    hub.sin_port = htons(m_hub.port());
    const Packet forged = sapPacket("FORGED", 0x0452, FakeHub::nodeOf(hub).data());
    sendto(stranger, forged.data(), forged.size(), 0, reinterpret_cast<const sockaddr*>(&client), sizeof client);
    close(stranger);

    // From the hub: another socket's traffic, a packet for another node, then SAP.
    m_hub.sendToClients(sapPacket("RIP", 0x0453));
    Packet elsewhere = sapPacket("ELSEWHERE");
    const std::uint8_t otherNode[6] = {10, 0, 0, 7, 0, 1};
    std::memcpy(&elsewhere[10], otherNode, 6);
    m_hub.sendToClients(elsewhere);
    m_hub.sendToClients(sapPacket("FROM-HUB"));

    ASSERT_EQ(pumpUntilSettled(receiver, 2000), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(sapNames(receiver.buffer()).at(0).name, "FROM-HUB");
    ASSERT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(receiver.receive(100), TOLVSIPX_STATUS_PENDING);
}

TEST_F(DosboxClient, NoHubListeningIsUnreachable)
{
    std::uint16_t freePort = 0;
    {
        FakeHub gone;
        freePort = gone.port();
    }
    const TransportSetting use(setting(freePort));
    Receiver receiver;
    EXPECT_EQ(receiver.start(), TOLVSIPX_STATUS_HUB_UNREACHABLE);
}

TEST_F(DosboxClient, HubThatNeverAnswersIsUnreachable)
{
    TolvSipxTestSetDosboxTimers(300, 0);
    m_hub.setAnswerRegistrations(false);
    const TransportSetting use(setting(m_hub.port()));
    Receiver receiver;
    EXPECT_EQ(receiver.start(), TOLVSIPX_STATUS_HUB_UNREACHABLE);
}

TEST_F(DosboxClient, UnknownHostIsNotFound)
{
    const TransportSetting use("dosbox:zorvik-no-such-hub.invalid:213");
    Receiver receiver;
    EXPECT_EQ(receiver.start(), TOLVSIPX_STATUS_HUB_NOT_FOUND);
}

TEST_F(DosboxClient, HubShutDownMidRunIsReported)
{
    const TransportSetting use(setting(m_hub.port()));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    m_hub.shutDown();
    EXPECT_EQ(pumpUntilSettled(receiver, 3000), TOLVSIPX_STATUS_HUB_GONE);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_HUB_GONE);
    EXPECT_EQ(TolvSipxGetSocketError(receiver.handle()), TOLVSIPX_STATUS_HUB_GONE);
}

TEST_F(DosboxClient, HubFallingSilentMidRunIsReported)
{
    const TransportSetting use(setting(m_hub.port()));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    // Let a keepalive come back first, so the client knows this hub echoes.
    EXPECT_EQ(pumpUntilSettled(receiver, 200), TOLVSIPX_STATUS_PENDING);
    m_hub.setMute(true);
    EXPECT_EQ(pumpUntilSettled(receiver, 3000), TOLVSIPX_STATUS_HUB_GONE);
}

}  // namespace
