// The library's API contract: socket and block lifetimes, argument checks,
// the TOLVSIPX setting, injected failures and a transport that dies.

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "CapturePackets.h"
#include "IpxTestSupport.h"
#include "PcapWriter.h"
#include "TolvSipxStatus.h"
#include "TolvSipxTesting.h"
#include "TransportConfig.h"

namespace {

using namespace zorvik::ipxtest;
namespace cw = zorvik::capwrite;
using zorvik::ipx::TransportConfig;

class Api : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Three SAP datagrams on a capture that every test may open.
        m_path = m_dir.path("three.pcap");
        cw::PcapWriter writer;
        ASSERT_TRUE(writer.open(m_path, cw::kLinkEthernet));
        for (const char* name : {"ONE", "TWO", "THREE"}) {
            cw::ServiceEntry entry;
            entry.name = name;
            const cw::Bytes frame = cw::ethernetFrame(
                cw::Framing::EthernetII, cw::ipxPacket(cw::sapBroadcast(), {}, 4, cw::sapResponse({entry})));
            writer.write(1, frame.data(), frame.size());
        }
        ASSERT_TRUE(writer.close());
        m_setting = std::make_unique<TransportSetting>("file:" + m_path);
    }
    void TearDown() override { TolvSipxTestReset(); }

    ScratchDir m_dir;
    std::string m_path;
    std::unique_ptr<TransportSetting> m_setting;
};

std::uint16_t networkOrder(std::uint16_t number)
{
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
    std::uint16_t value = 0;
    std::memcpy(&value, bytes, 2);
    return value;
}

TEST_F(Api, StatusesAreNegativeAndDistinct)
{
    const TOLVSIPX_STATUS all[] = {
        TOLVSIPX_STATUS_BAD_CONFIGURATION, TOLVSIPX_STATUS_NO_PERMISSION,    TOLVSIPX_STATUS_NO_SUCH_INTERFACE,
        TOLVSIPX_STATUS_INTERFACE_DOWN,    TOLVSIPX_STATUS_CAPTURE_FAILED,   TOLVSIPX_STATUS_FILE_UNREADABLE,
        TOLVSIPX_STATUS_NOT_A_CAPTURE,     TOLVSIPX_STATUS_UNSUPPORTED_LINK_TYPE, TOLVSIPX_STATUS_HUB_NOT_FOUND,
        TOLVSIPX_STATUS_HUB_UNREACHABLE,   TOLVSIPX_STATUS_HUB_GONE,         TOLVSIPX_STATUS_SOCKET_ALREADY_OPEN,
        TOLVSIPX_STATUS_NO_SUCH_SOCKET,    TOLVSIPX_STATUS_BAD_ARGUMENTS,    TOLVSIPX_STATUS_OUT_OF_RESOURCES,
        TOLVSIPX_STATUS_NO_RECEIVE_POSTED, TOLVSIPX_STATUS_SYSTEM_ERROR,
    };
    std::set<TOLVSIPX_STATUS> seen;
    for (const TOLVSIPX_STATUS status : all) {
        EXPECT_LT(status, 0);
        EXPECT_EQ(static_cast<std::uint32_t>(status) & 0xFFFF0000u, 0x80000000u);
        EXPECT_TRUE(seen.insert(status).second) << std::hex << status;
    }
}

TEST_F(Api, SecondOpenOfTheSameSocketFailsUntilTheFirstCloses)
{
    Receiver first;
    ASSERT_EQ(first.start(), TOLVSIPX_STATUS_SUCCESS);
    const std::uint16_t sap = networkOrder(0x0452);
    std::uint32_t handle = 0;
    EXPECT_EQ(TolvSipxOpenSocket(0, -1, &sap, &handle), TOLVSIPX_STATUS_SOCKET_ALREADY_OPEN);
    // Another number is fine meanwhile.
    const std::uint16_t other = networkOrder(0x0453);
    ASSERT_EQ(TolvSipxOpenSocket(0, -1, &other, &handle), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxCloseSocket(handle);
    first.stop();
    ASSERT_EQ(TolvSipxOpenSocket(0, -1, &sap, &handle), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxCloseSocket(handle);
}

TEST_F(Api, FreeingABlockWithAPendingReceiveDropsIt)
{
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(receiver.receive(0), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxFreeControlBlock(receiver.block());  // the repost is still pending
    // The freed block is no longer known; a new one on the same socket carries on.
    std::uint8_t buffer[450] = {};
    TolvSipxFragment fragment{buffer, sizeof buffer};
    TolvSipxControlBlock* block = nullptr;
    ASSERT_EQ(TolvSipxAllocControlBlock(4, 0, &block), TOLVSIPX_STATUS_SUCCESS);
    *block = {receiver.handle(), 0, 1, &fragment};
    ASSERT_EQ(TolvSipxReceiveDatagram(block), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(TolvSipxCheckCompletion(block), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer + 4), "TWO");
    TolvSipxFreeControlBlock(block);
    // Let the receiver's own cleanup skip the block that is already gone.
    TolvSipxCloseSocket(receiver.handle());
}

TEST_F(Api, ClosingTheSocketEndsAPendingReceive)
{
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxCloseSocket(receiver.handle());
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_NO_RECEIVE_POSTED);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_NO_SUCH_SOCKET);
    EXPECT_EQ(TolvSipxGetSocketDescriptor(receiver.handle()), -1);
    EXPECT_EQ(TolvSipxGetSocketError(receiver.handle()), TOLVSIPX_STATUS_NO_SUCH_SOCKET);
}

TEST_F(Api, RejectsBadArguments)
{
    const std::uint16_t sap = networkOrder(0x0452);
    const std::uint16_t zero = 0;
    std::uint32_t handle = 0;
    EXPECT_EQ(TolvSipxOpenSocket(0, -1, nullptr, &handle), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    EXPECT_EQ(TolvSipxOpenSocket(0, -1, &sap, nullptr), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    EXPECT_EQ(TolvSipxOpenSocket(1, -1, &sap, &handle), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    EXPECT_EQ(TolvSipxOpenSocket(0, -1, &zero, &handle), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    EXPECT_EQ(TolvSipxAllocControlBlock(4, 0, nullptr), TOLVSIPX_STATUS_BAD_ARGUMENTS);

    TolvSipxControlBlock stranger{};
    EXPECT_EQ(TolvSipxReceiveDatagram(&stranger), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    EXPECT_EQ(TolvSipxCheckCompletion(&stranger), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    EXPECT_EQ(TolvSipxCheckCompletion(nullptr), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    TolvSipxFreeControlBlock(&stranger);  // ignored
    TolvSipxFreeControlBlock(nullptr);
    TolvSipxCloseSocket(0xDEAD);

    ASSERT_EQ(TolvSipxOpenSocket(0, -1, &sap, &handle), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxControlBlock* block = nullptr;
    ASSERT_EQ(TolvSipxAllocControlBlock(4, 0, &block), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(TolvSipxCheckCompletion(block), TOLVSIPX_STATUS_NO_RECEIVE_POSTED);
    block->socketHandle = handle;
    block->fragmentCount = 0;
    EXPECT_EQ(TolvSipxReceiveDatagram(block), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    TolvSipxFragment fragment{nullptr, 450};
    block->fragmentCount = 1;
    block->fragments = &fragment;
    EXPECT_EQ(TolvSipxReceiveDatagram(block), TOLVSIPX_STATUS_BAD_ARGUMENTS);
    block->socketHandle = handle + 1000;
    EXPECT_EQ(TolvSipxReceiveDatagram(block), TOLVSIPX_STATUS_NO_SUCH_SOCKET);
    TolvSipxFreeControlBlock(block);
    TolvSipxCloseSocket(handle);
}

// Each operation can be made to fail once, for the gathering loop's messages.
TEST_F(Api, InjectedFailuresHitTheNextCallOnly)
{
    const TOLVSIPX_STATUS injected = static_cast<TOLVSIPX_STATUS>(0x8000FFFEu);
    for (const TolvSipxOperation op : {TolvSipxOpOpenSocket, TolvSipxOpAllocControlBlock, TolvSipxOpReceiveDatagram}) {
        TolvSipxTestFailNext(op, injected);
        Receiver failing;
        EXPECT_EQ(failing.start(), injected) << op;
        failing.stop();
        Receiver working;
        EXPECT_EQ(working.start(), TOLVSIPX_STATUS_SUCCESS) << op;
    }
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxTestFailNext(TolvSipxOpCheckCompletion, TOLVSIPX_STATUS_PENDING);
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_PENDING);
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    // A repost failure in the middle of a run.
    TolvSipxTestFailNext(TolvSipxOpReceiveDatagram, injected);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), injected);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
}

// A dead transport wakes a waiting caller once, answers its failure from the
// check and the repost, and then keeps quiet instead of spinning the caller.
TEST_F(Api, ADeadTransportIsReportedOnceAndThenQuiet)
{
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    TolvSipxTestBreakTransport(receiver.handle(), TOLVSIPX_STATUS_INTERFACE_DOWN);
    EXPECT_TRUE(receiver.descriptorReadable(0));
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_INTERFACE_DOWN);
    EXPECT_FALSE(receiver.descriptorReadable(0));
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_INTERFACE_DOWN);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_INTERFACE_DOWN);
    EXPECT_EQ(TolvSipxGetSocketError(receiver.handle()), TOLVSIPX_STATUS_INTERFACE_DOWN);
    // A new run opens afresh.
    receiver.stop();
    Receiver again;
    ASSERT_EQ(again.start(), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(again.receive(0), TOLVSIPX_STATUS_SUCCESS);
}

TEST_F(Api, DescriptorIsPollableWhileFramesRemain)
{
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_GE(TolvSipxGetSocketDescriptor(receiver.handle()), 0);
    EXPECT_TRUE(receiver.descriptorReadable(0));
    EXPECT_EQ(receiver.receiveAll(0), 3);
    EXPECT_FALSE(receiver.descriptorReadable(0));
}

struct ConfigCase {
    const char* value;
    bool valid;
    TransportConfig::Kind kind;
    const char* target;
    std::uint16_t port;
};

TEST(TransportConfigParse, ReadsEverySchemeAndRefusesTheRest)
{
    using Kind = TransportConfig::Kind;
    const ConfigCase cases[] = {
        {nullptr, true, Kind::Live, "any", 0},
        {"", true, Kind::Live, "any", 0},
        {"eth:any", true, Kind::Live, "any", 0},
        {"eth:enp3s0", true, Kind::Live, "enp3s0", 0},
        {"file:/tmp/a.pcap", true, Kind::File, "/tmp/a.pcap", 0},
        {"file:rel/with:colon.pcapng", true, Kind::File, "rel/with:colon.pcapng", 0},
        {"replay:x.pcap", true, Kind::Replay, "x.pcap", 0},
        {"dosbox:127.0.0.1", true, Kind::Dosbox, "127.0.0.1", 213},
        {"dosbox:hub.lan:19900", true, Kind::Dosbox, "hub.lan", 19900},
        {"eth", false, Kind::Live, "", 0},
        {"eth:", false, Kind::Live, "", 0},
        {"file:", false, Kind::Live, "", 0},
        {"replay:", false, Kind::Live, "", 0},
        {"dosbox:", false, Kind::Live, "", 0},
        {"dosbox::213", false, Kind::Live, "", 0},
        {"dosbox:host:", false, Kind::Live, "", 0},
        {"dosbox:host:0", false, Kind::Live, "", 0},
        {"dosbox:host:65536", false, Kind::Live, "", 0},
        {"dosbox:host:12x", false, Kind::Live, "", 0},
        {"dosbox:[::1]:213", false, Kind::Live, "", 0},
        {"tcp:1.2.3.4", false, Kind::Live, "", 0},
        {"ETH:any", false, Kind::Live, "", 0},
    };
    for (const ConfigCase& c : cases) {
        TransportConfig config;
        const std::string shown = c.value ? c.value : "(unset)";
        ASSERT_EQ(zorvik::ipx::parseTransportConfig(c.value, config), c.valid) << shown;
        if (!c.valid)
            continue;
        EXPECT_EQ(config.kind, c.kind) << shown;
        EXPECT_EQ(config.target, c.target) << shown;
        if (c.kind == Kind::Dosbox) {
            EXPECT_EQ(config.port, c.port) << shown;
        }
    }
}

TEST(TransportOpen, BadSettingFailsAtOpen)
{
    for (const char* value : {"bogus", "file:", "dosbox:host:0", "tcp:x"}) {
        const TransportSetting setting(value);
        Receiver receiver;
        EXPECT_EQ(receiver.start(), TOLVSIPX_STATUS_BAD_CONFIGURATION) << value;
    }
}

TEST(TransportOpen, UnknownInterface)
{
    const TransportSetting setting("eth:zorvik-none0");
    Receiver receiver;
    const TOLVSIPX_STATUS status = receiver.start();
    if (geteuid() == 0) {
        EXPECT_EQ(status, TOLVSIPX_STATUS_NO_SUCH_INTERFACE);
    } else {
        EXPECT_TRUE(status == TOLVSIPX_STATUS_NO_SUCH_INTERFACE || status == TOLVSIPX_STATUS_NO_PERMISSION)
            << std::hex << status;
    }
}

}  // namespace
