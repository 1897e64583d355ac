// The library over capture files: framings, cooked captures, the shared real
// captures, bad files, the quiet end, replay pacing, zero-fill, socket filtering.

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "CapturePackets.h"
#include "IpxTestSupport.h"
#include "PcapWriter.h"
#include "StormGenerator.h"
#include "TolvSipxStatus.h"
#include "TolvSipxTesting.h"

namespace {

using namespace zorvik::ipxtest;
namespace cw = zorvik::capwrite;

class FileTransport : public ::testing::Test {
protected:
    void TearDown() override { TolvSipxTestReset(); }

    std::string writeStorm(cw::StormOptions options, cw::StormSummary* summary = nullptr)
    {
        options.path = m_dir.path("storm" + std::to_string(m_files++) + ".pcap");
        cw::StormSummary written;
        std::string error;
        EXPECT_TRUE(cw::writeStorm(options, written, error)) << error;
        if (summary)
            *summary = written;
        return options.path;
    }

    std::string writeFrames(const std::vector<cw::Bytes>& frames, int linkType = cw::kLinkEthernet,
                            std::uint64_t intervalUs = 1000)
    {
        const std::string path = m_dir.path("frames" + std::to_string(m_files++) + ".pcap");
        cw::PcapWriter writer;
        EXPECT_TRUE(writer.open(path, linkType));
        std::uint64_t time = 1000000;
        for (const cw::Bytes& frame : frames) {
            writer.write(time, frame.data(), frame.size());
            time += intervalUs;
        }
        EXPECT_TRUE(writer.close());
        return path;
    }

    std::string writeText(const std::string& name, const std::string& content)
    {
        const std::string path = m_dir.path(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    ScratchDir m_dir;
    int m_files = 0;
};

cw::Bytes sapFrame(const std::vector<std::string>& names, std::uint16_t socket = 0x0452,
                   cw::Framing framing = cw::Framing::EthernetII)
{
    std::vector<cw::ServiceEntry> entries;
    for (const std::string& name : names) {
        cw::ServiceEntry entry;
        entry.name = name;
        entry.type = 4;
        entries.push_back(entry);
    }
    cw::IpxEndpoint destination = cw::sapBroadcast();
    destination.socket = socket;
    return cw::ethernetFrame(framing, cw::ipxPacket(destination, {}, 4, cw::sapResponse(entries)));
}

struct StormCase {
    const char* name;
    bool mix;
    cw::Framing framing;
    int linkType;
    int vlanTags;
};

// Test lists name the case, not its bytes.
void PrintTo(const StormCase& c, std::ostream* out) { *out << c.name; }

class StormCases : public FileTransport, public ::testing::WithParamInterface<StormCase> {};

// Every service of the capture arrives, whatever carries it.
TEST_P(StormCases, DeliversEveryDatagramAndService)
{
    const StormCase& c = GetParam();
    cw::StormOptions options;
    options.mixFramings = c.mix;
    options.framing = c.framing;
    options.linkType = c.linkType;
    options.vlanTags = c.vlanTags;
    options.datagrams = 12;
    options.services = 70;
    options.entries = 7;
    cw::StormSummary summary;
    const TransportSetting setting("file:" + writeStorm(options, &summary));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    std::vector<std::vector<std::uint8_t>> payloads;
    EXPECT_EQ(receiver.receiveAll(0, &payloads), 12);
    std::set<std::string> names;
    for (const auto& payload : payloads) {
        for (const SapName& entry : sapNames(payload.data()))
            names.insert(entry.name);
    }
    std::set<std::string> expected;
    for (std::uint64_t i = 0; i < 70; ++i)
        expected.insert(cw::stormService(i).name);
    EXPECT_EQ(names, expected);
}

const StormCase kStormCases[] = {
    {"EthernetII", false, cw::Framing::EthernetII, cw::kLinkEthernet, 0},
    {"NovellRaw", false, cw::Framing::Raw8023, cw::kLinkEthernet, 0},
    {"Llc", false, cw::Framing::Llc8022, cw::kLinkEthernet, 0},
    {"Snap", false, cw::Framing::Snap, cw::kLinkEthernet, 0},
    {"MixedVlan", true, cw::Framing::EthernetII, cw::kLinkEthernet, 1},
    {"MixedVlanInVlan", true, cw::Framing::EthernetII, cw::kLinkEthernet, 2},
    {"MixedCookedSll", true, cw::Framing::EthernetII, cw::kLinkLinuxSll, 0},
    {"MixedCookedSll2", true, cw::Framing::EthernetII, cw::kLinkLinuxSll2, 0},
};

INSTANTIATE_TEST_SUITE_P(Captures, StormCases, ::testing::ValuesIn(kStormCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileTransport, SkipsMalformedAndForeignTrafficButDeliversQueries)
{
    cw::StormOptions options;
    options.mixFramings = true;
    options.datagrams = 300;
    options.services = 500;
    options.entries = 0;
    options.queries = 9;
    options.otherIpx = 40;
    options.malformed = 60;
    options.seed = 7;
    cw::StormSummary summary;
    const TransportSetting setting("file:" + writeStorm(options, &summary));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    std::vector<std::vector<std::uint8_t>> payloads;
    // Queries are sent to the SAP socket too; the rest is skipped.
    EXPECT_EQ(receiver.receiveAll(0, &payloads), 309);
    std::uint64_t entries = 0;
    for (const auto& payload : payloads)
        entries += sapNames(payload.data()).size();
    EXPECT_EQ(entries, summary.entries);
}

TEST_F(FileTransport, DeliversOnlyTheOpenedSocket)
{
    const TransportSetting setting(
        "file:" + writeFrames({sapFrame({"SAP-A"}), sapFrame({"RIP-B"}, 0x0453), sapFrame({"SAP-C"}),
                               sapFrame({"OTHER-D"}, 0x4000)}));
    std::vector<std::vector<std::uint8_t>> payloads;
    {
        Receiver sap;
        ASSERT_EQ(sap.start(0x0452), TOLVSIPX_STATUS_SUCCESS);
        ASSERT_EQ(sap.receiveAll(0, &payloads), 2);
        EXPECT_EQ(sapNames(payloads[0].data())[0].name, "SAP-A");
        EXPECT_EQ(sapNames(payloads[1].data())[0].name, "SAP-C");
    }
    Receiver rip;
    ASSERT_EQ(rip.start(0x0453), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(rip.receive(0), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(sapNames(rip.buffer())[0].name, "RIP-B");
}

// A short datagram after a long one leaves no stale bytes in the fragment.
TEST_F(FileTransport, ZeroFillsTheRestOfTheFragment)
{
    const TransportSetting setting(
        "file:" + writeFrames({sapFrame({"A1", "A2", "A3", "A4", "A5", "A6", "A7"}), sapFrame({"B1"})}));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(receiver.receive(0), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(sapNames(receiver.buffer()).size(), 7u);
    ASSERT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(receiver.receive(0), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(sapNames(receiver.buffer()).size(), 1u);
    for (std::size_t i = 2 + 64; i < 450; ++i)
        ASSERT_EQ(receiver.buffer()[i], 0) << "offset " << i;
}

// A payload longer than the fragment is cut at the fragment's length (the
// receiver checks a guard area after it).
TEST_F(FileTransport, NeverWritesPastTheFragment)
{
    const TransportSetting setting("file:" + writeFrames({sapFrame({"A1", "A2", "A3", "A4", "A5", "A6", "A7"})}));
    Receiver receiver(100);
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(receiver.receive(0), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(receiver.buffer()) + 4), "A1");
}

// After the last frame the network is quiet: the receive stays pending and
// the descriptor stops being readable, so a waiting caller sleeps.
TEST_F(FileTransport, IsQuietAfterTheLastFrame)
{
    const TransportSetting setting("file:" + writeFrames({sapFrame({"ONLY"})}));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(receiver.receive(0), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_PENDING);
    EXPECT_FALSE(receiver.descriptorReadable(20));
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_PENDING);
    EXPECT_EQ(TolvSipxGetSocketError(receiver.handle()), TOLVSIPX_STATUS_SUCCESS);
}

// A capture cut inside its last record delivers what is whole, then ends quietly.
TEST_F(FileTransport, TruncatedCaptureEndsQuietlyAfterItsWholeFrames)
{
    const std::string path = writeFrames({sapFrame({"FIRST"}), sapFrame({"SECOND"})});
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TransportSetting setting("file:" + writeText("cut.pcap", bytes.substr(0, bytes.size() - 20)));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    std::vector<std::vector<std::uint8_t>> payloads;
    ASSERT_EQ(receiver.receiveAll(0, &payloads), 1);
    EXPECT_EQ(sapNames(payloads[0].data())[0].name, "FIRST");
    EXPECT_FALSE(receiver.descriptorReadable(0));
}

struct BadFileCase {
    const char* name;
    std::function<std::string(const ScratchDir&)> make;
    TOLVSIPX_STATUS status;
};

// Test lists name the case, not its bytes.
void PrintTo(const BadFileCase& c, std::ostream* out) { *out << c.name; }

class BadFiles : public FileTransport, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadFiles, FailAtOpenWithTheirStatus)
{
    const TransportSetting setting("file:" + GetParam().make(m_dir));
    Receiver receiver;
    EXPECT_EQ(receiver.start(), GetParam().status);
    // And replay says the same.
    const TransportSetting replay("replay:" + GetParam().make(m_dir));
    Receiver again;
    EXPECT_EQ(again.start(), GetParam().status);
}

std::string fileWith(const ScratchDir& dir, const std::string& name, const std::string& content)
{
    std::ofstream(dir.path(name), std::ios::binary) << content;
    return dir.path(name);
}

const BadFileCase kBadFiles[] = {
    {"Missing", [](const ScratchDir& d) { return d.path("absent.pcap"); }, TOLVSIPX_STATUS_FILE_UNREADABLE},
    {"Folder", [](const ScratchDir& d) { return d.path(""); }, TOLVSIPX_STATUS_FILE_UNREADABLE},
    {"Empty", [](const ScratchDir& d) { return fileWith(d, "empty.pcap", ""); }, TOLVSIPX_STATUS_NOT_A_CAPTURE},
    {"Text", [](const ScratchDir& d) { return fileWith(d, "notes.pcap", "these are not packets\n"); },
     TOLVSIPX_STATUS_NOT_A_CAPTURE},
    {"HeaderCut", [](const ScratchDir& d) { return fileWith(d, "cut.pcap", std::string("\xD4\xC3\xB2\xA1\x02\x00", 6)); },
     TOLVSIPX_STATUS_NOT_A_CAPTURE},
    {"OtherLinkType",
     [](const ScratchDir& d) {
         cw::PcapWriter writer;
         writer.open(d.path("wifi.pcap"), 105);  // 802.11
         writer.close();
         return d.path("wifi.pcap");
     },
     TOLVSIPX_STATUS_UNSUPPORTED_LINK_TYPE},
};

INSTANTIATE_TEST_SUITE_P(Open, BadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileTransport, ReplayKeepsTheRecordedPace)
{
    const TransportSetting setting(
        "replay:" + writeFrames({sapFrame({"R1"}), sapFrame({"R2"}), sapFrame({"R3"})}, cw::kLinkEthernet, 60000));
    Receiver receiver;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(receiver.receive(1000), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    // The second frame is not due yet.
    EXPECT_EQ(TolvSipxCheckCompletion(receiver.block()), TOLVSIPX_STATUS_PENDING);
    std::vector<std::vector<std::uint8_t>> payloads;
    ASSERT_EQ(receiver.receiveAll(300, &payloads), 2);
    EXPECT_EQ(sapNames(payloads[1].data())[0].name, "R3");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(110));
    EXPECT_FALSE(receiver.descriptorReadable(0));
}

struct SharedService {
    const char* name;
    std::uint16_t type;
};

void expectServices(const std::string& path, int responses, const std::set<std::string>& expected)
{
    const TransportSetting setting("file:" + path);
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    std::vector<std::vector<std::uint8_t>> payloads;
    receiver.receiveAll(0, &payloads);
    int generalResponses = 0;
    std::set<std::string> names;
    for (const auto& payload : payloads) {
        if (payload[0] == 0 && payload[1] == 2)
            ++generalResponses;
        for (const SapName& entry : sapNames(payload.data()))
            names.insert(entry.name);
    }
    EXPECT_EQ(generalResponses, responses);
    EXPECT_EQ(names, expected);
}

TEST(SharedCaptures, OfficeLanLlc)
{
    const std::string path = sharedCapture("ipx-llc-sap.pcap");
    if (path.empty())
        GTEST_SKIP() << "../shared/captures/ipx-llc-sap.pcap not present";
    expectServices(path, 27,
                   {"0030C1BF575580D0NPIBF5755", "EKTA!!!!!!!!!!!A5569B20ABE511CE9CA400004C762832",
                    "AVESH!!!!!!!!!!A5569B20ABE511CE9CA400004C762832"});
}

TEST(SharedCaptures, MixedFramings)
{
    const std::string path = sharedCapture("mixed-framings-sap.pcap");
    if (path.empty())
        GTEST_SKIP() << "../shared/captures/mixed-framings-sap.pcap not present";
    expectServices(path, 8,
                   {"GIZMO!!!!!!!!!!A5569B20ABE511CE9CA400004C762832", "WILLIAMSRF-1",
                    "WILLIAMSRF-1!!!A5569B20ABE511CE9CA400004C762832", "ROOM-518F", "APPLE_LWa4cae6", "LUANNS_PC",
                    "0800097AA27C83CGNPI7AA27C", "0800097AA27C80CGNPI7AA27C", "APPLE_LWa48982"});
}

// One entry read field by field, against the capture's documented table.
TEST(SharedCaptures, MixedFramingsEntryFields)
{
    const std::string path = sharedCapture("mixed-framings-sap.pcap");
    if (path.empty())
        GTEST_SKIP() << "../shared/captures/mixed-framings-sap.pcap not present";
    const TransportSetting setting("file:" + path);
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    std::vector<std::vector<std::uint8_t>> payloads;
    receiver.receiveAll(0, &payloads);
    bool found = false;
    for (const auto& payload : payloads) {
        for (int slot = 0; slot < 7; ++slot) {
            const std::uint8_t* entry = payload.data() + 2 + 64 * slot;
            if (std::strncmp(reinterpret_cast<const char*>(entry + 2), "ROOM-518F", 48) != 0)
                continue;
            found = true;
            const std::uint8_t expected[] = {0x06, 0x40, 0x13, 0x00, 0x00, 0x01, 0x00, 0xA0,
                                             0xC9, 0x24, 0x54, 0xC1, 0xE8, 0x85, 0x00, 0x01};
            EXPECT_EQ(entry[0], expected[0]);
            EXPECT_EQ(entry[1], expected[1]);
            EXPECT_EQ(0, std::memcmp(entry + 50, expected + 2, 14));
        }
    }
    EXPECT_TRUE(found);
}

}  // namespace
