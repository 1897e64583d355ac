// The capture writer: same bytes for the same seed, what it promises in the
// summary, and files that tcpdump decodes as intended.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "StormGenerator.h"

namespace {

namespace cw = zorvik::capwrite;

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string run(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t got = 0;
        while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
            output.append(chunk, got);
        pclose(pipe);
    }
    return output;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class Capwrite : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return "/tmp/zorvik-capwrite-" + std::to_string(getpid()) + name; }
    void TearDown() override
    {
        for (const std::string& file : m_files)
            std::remove(file.c_str());
    }
    cw::StormSummary write(cw::StormOptions options, const std::string& name)
    {
        options.path = path(name);
        m_files.push_back(options.path);
        cw::StormSummary summary;
        std::string error;
        EXPECT_TRUE(cw::writeStorm(options, summary, error)) << error;
        return summary;
    }
    std::vector<std::string> m_files;
};

TEST_F(Capwrite, SameSeedSameBytesOtherSeedOtherMix)
{
    cw::StormOptions options;
    options.mixFramings = true;
    options.entries = 0;
    options.datagrams = 200;
    options.queries = 5;
    options.otherIpx = 5;
    options.malformed = 5;
    options.seed = 42;
    write(options, "a.pcap");
    write(options, "b.pcap");
    options.seed = 43;
    write(options, "c.pcap");
    EXPECT_EQ(readAll(path("a.pcap")), readAll(path("b.pcap")));
    EXPECT_NE(readAll(path("a.pcap")), readAll(path("c.pcap")));
}

TEST_F(Capwrite, StormMixIsMostlySevenEntries)
{
    cw::StormOptions options;
    options.entries = 0;
    options.datagrams = 2000;
    options.services = 100000;
    const cw::StormSummary summary = write(options, "storm.pcap");
    EXPECT_EQ(summary.frames, 2000u);
    EXPECT_EQ(summary.responses, 2000u);
    // 80 % carry 7, the rest 1 to 6 (3.5 on average): about 6.3 per datagram.
    EXPECT_GT(summary.entries, 2000u * 6);
    EXPECT_LT(summary.entries, 2000u * 7);
    EXPECT_EQ(summary.distinctServices, summary.entries);
}

TEST_F(Capwrite, MarksFollowEveryNthResponseInOrder)
{
    cw::StormOptions options;
    options.datagrams = 25;
    options.queries = 4;  // not counted towards a mark
    options.markEvery = 10;
    const cw::StormSummary summary = write(options, "marks.pcap");
    EXPECT_EQ(summary.marks, 2u);
    EXPECT_EQ(summary.frames, 25u + 4u + 2u);
    EXPECT_EQ(cw::stormMark(1), "~MARK-0000001~");

    if (std::system("command -v tcpdump >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tcpdump is not installed";
    const std::string text = run("tcpdump -nn -r " + path("marks.pcap") + " -X 2>/dev/null");
    const std::size_t first = text.find("~MARK-0000001~");
    const std::size_t second = text.find("~MARK-0000002~");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
}

struct DecodeCase {
    const char* name;
    bool mix;
    cw::Framing framing;
    int vlanTags;
    const char* marker;  // what tcpdump prints for the framing
};

// Test lists name the case, not its bytes.
void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class TcpdumpDecodes : public Capwrite, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(TcpdumpDecodes, EveryResponseAndService)
{
    if (run("command -v tcpdump").empty())
        GTEST_SKIP() << "tcpdump is not installed";
    const DecodeCase& c = GetParam();
    cw::StormOptions options;
    options.mixFramings = c.mix;
    options.framing = c.framing;
    options.vlanTags = c.vlanTags;
    options.datagrams = 8;
    options.services = 56;
    options.queries = 2;
    write(options, "decode.pcap");
    const std::string text = run("tcpdump -nn -e -r " + path("decode.pcap") + " 2>/dev/null");
    EXPECT_EQ(count(text, "ipx-sap-resp"), 8u) << text;
    EXPECT_EQ(count(text, "ipx-sap-req"), 2u) << text;
    for (std::uint64_t i = 0; i < 56; ++i) {
        std::string quoted(1, '\'');  // built in steps: GCC 12 warns falsely on "'" + name
        quoted += cw::stormService(i).name;
        quoted += '\'';
        EXPECT_NE(text.find(quoted), std::string::npos) << i;
    }
    if (*c.marker) {
        EXPECT_NE(text.find(c.marker), std::string::npos) << text;
    }
}

const DecodeCase kDecodeCases[] = {
    {"EthernetII", false, cw::Framing::EthernetII, 0, "ethertype IPX (0x8137)"},
    {"NovellRaw", false, cw::Framing::Raw8023, 0, "802.3"},
    {"Llc", false, cw::Framing::Llc8022, 0, "802.3"},
    {"Snap", false, cw::Framing::Snap, 0, "oui Ethernet (0x000000)"},
    {"MixVlanInVlan", true, cw::Framing::EthernetII, 2, "vlan 101"},
};

INSTANTIATE_TEST_SUITE_P(Framings, TcpdumpDecodes, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Capwrite, CommandLineWritesAndRefusesBadOptions)
{
    const std::string out = path("cli.pcap");
    m_files.push_back(out);
    const std::string tool = ZORVIK_CAPWRITE;
    EXPECT_NE(run(tool + " -o " + out + " --framing snap --datagrams 3 --entries 2 --services 6").find("3 responses, 6 entries"),
              std::string::npos);
    EXPECT_GT(readAll(out).size(), 24u);
    for (const char* bad : {"--framing token-ring", "--entries 8", "--entries 0", "--datagrams -1", "--vlan 3", "--bogus 1"}) {
        EXPECT_NE(std::system((tool + " -o " + out + " " + bad + " 2>/dev/null").c_str()), 0) << bad;
    }
    EXPECT_NE(std::system((tool + " --datagrams 1 2>/dev/null").c_str()), 0);
}

}  // namespace
