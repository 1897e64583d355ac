// Starts the real zorvik-demonet and talks to it as a DOSBox client would.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "ChildProcess.h"
#include "IpxPacket.h"
#include "LoopbackClient.h"

using namespace std::chrono_literals;

namespace {

const std::string kProgram = ZORVIK_DEMONET_PATH;

struct Advertised {
    std::uint16_t type;
    std::string address;  // network:node:socket
    std::uint16_t hops;
    bool operator==(const Advertised&) const = default;
};

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[3];
    for (std::size_t k = 0; k < count; ++k) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[k]);
        text += pair;
    }
    return text;
}

std::string WriteScenario(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

// Reads lines until the hub tells its port.
std::uint16_t ListeningPort(ChildProcess& demo) {
    const std::regex listening(R"(^zorvik-demonet: hub listening on 127\.0\.0\.1:(\d+)$)");
    while (const auto line = demo.readLine(5s)) {
        std::smatch match;
        if (std::regex_match(*line, match, listening))
            return static_cast<std::uint16_t>(std::stoi(match[1]));
    }
    ADD_FAILURE() << "no 'hub listening' line";
    return 0;
}

TEST(DemonetProgramTest, EveryScenarioServiceArrivesThroughTheHubAsSapEntries) {
    // Nine services on one server (two datagrams), a remote one, one already down, one that goes
    // down while we listen, and a server that comes up late.
    const std::string scenario = WriteScenario("demonet-e2e.scenario", R"(
server FS1 network=0000C0DE node=000000000001
service FS1        type=0004 socket=0451
service TREE       type=0278 socket=4006
service TIME       type=026B socket=4005
service PS1        type=0007 socket=8060
service Q1         type=0003 socket=8060
service Q2         type=0003 socket=8060
service Q3         type=0003 socket=8060
service "FAR AWAY" type=0004 socket=0451 hops=3
service GONE       type=0007 socket=8061 hops=1 down=0
service FADING     type=0003 socket=8062 hops=2 down=1.5
server LATE network=0000D00D node=0080C7A41B02 start=1
service LATE-FS    type=0004 socket=0451 hops=1
)");
    ChildProcess demo(kProgram, {"--port", "0", "--scenario", scenario, "--interval", "1"});
    const std::uint16_t port = ListeningPort(demo);
    ASSERT_NE(port, 0);

    LoopbackClient client(port);
    const auto node = client.registerWithHub();
    ASSERT_TRUE(node.has_value()) << "the hub did not answer the registration";
    EXPECT_EQ(*node, client.expectedNode());

    const std::map<std::string, Advertised> expected = {
        {"FS1", {0x0004, "0000C0DE:000000000001:0451", 0}},
        {"TREE", {0x0278, "0000C0DE:000000000001:4006", 0}},
        {"TIME", {0x026B, "0000C0DE:000000000001:4005", 0}},
        {"PS1", {0x0007, "0000C0DE:000000000001:8060", 0}},
        {"Q1", {0x0003, "0000C0DE:000000000001:8060", 0}},
        {"Q2", {0x0003, "0000C0DE:000000000001:8060", 0}},
        {"Q3", {0x0003, "0000C0DE:000000000001:8060", 0}},
        {"FAR AWAY", {0x0004, "0000C0DE:000000000001:0451", 3}},
        {"GONE", {0x0007, "0000C0DE:000000000001:8061", 16}},
        {"LATE-FS", {0x0004, "0000D00D:0080C7A41B02:0451", 1}},
    };
    std::map<std::string, Advertised> seen;
    std::vector<std::uint16_t> fadingHops;
    std::size_t datagrams = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline &&
           (seen.size() < expected.size() || fadingHops.empty() || fadingHops.back() != 16)) {
        const auto packet = client.receive(500ms);
        if (!packet)
            continue;
        const auto& d = *packet;
        ASSERT_GE(d.size(), 32u);
        // Each SAP general response is a broadcast from the server's socket 0452 to socket 0452.
        EXPECT_EQ(demonet::GetBigEndian16(d.data() + 2), d.size()) << "IPX length";
        EXPECT_EQ(d[5], 4) << "packet type";
        EXPECT_EQ(Hex(d.data() + 10, 6), "FFFFFFFFFFFF");
        EXPECT_EQ(demonet::GetBigEndian16(d.data() + 16), 0x0452);
        EXPECT_EQ(demonet::GetBigEndian16(d.data() + 28), 0x0452);
        EXPECT_EQ(demonet::GetBigEndian16(d.data() + 30), 0x0002) << "general response";
        ASSERT_EQ((d.size() - 32) % 64, 0u);
        ASSERT_LE((d.size() - 32) / 64, 7u);
        ++datagrams;
        for (std::size_t slot = 32; slot < d.size(); slot += 64) {
            const std::uint8_t* entry = d.data() + slot;
            ASSERT_EQ(entry[49], 0) << "the name field must end in a NUL";
            const std::string name(reinterpret_cast<const char*>(entry + 2));
            EXPECT_TRUE(std::all_of(entry + 2 + name.size(), entry + 50, [](std::uint8_t b) { return b == 0; }))
                << "name padding of " << name;
            const Advertised got{demonet::GetBigEndian16(entry),
                                 Hex(entry + 50, 4) + ":" + Hex(entry + 54, 6) + ":" + Hex(entry + 60, 2),
                                 demonet::GetBigEndian16(entry + 62)};
            if (name == "FADING") {
                EXPECT_EQ(got.address, "0000C0DE:000000000001:8062");
                fadingHops.push_back(got.hops);
                continue;
            }
            ASSERT_TRUE(expected.count(name)) << "unexpected service " << name;
            EXPECT_EQ(got, expected.at(name)) << name;
            seen[name] = got;
        }
    }
    for (const auto& [name, advertised] : expected)
        EXPECT_TRUE(seen.count(name)) << name << " never arrived";
    ASSERT_FALSE(fadingHops.empty());
    EXPECT_EQ(fadingHops.front(), 2) << "FADING should be reachable before it goes down";
    EXPECT_EQ(fadingHops.back(), 16) << "FADING should be advertised with hops 16 once down";
    EXPECT_GE(datagrams, 3u);

    demo.signal(SIGTERM);
    const auto status = demo.wait(5s);
    ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}

TEST(DemonetProgramTest, CtrlCStopsCleanlyWithTheDefaultScenario) {
    ChildProcess demo(kProgram, {"--port", "0", "--quiet"});
    ASSERT_NE(ListeningPort(demo), 0);
    demo.signal(SIGINT);
    const auto status = demo.wait(5s);
    ASSERT_TRUE(status.has_value());
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}

struct BadRun {
    std::vector<std::string> arguments;
    int exitCode;
    const char* message;
};

class DemonetBadRunTest : public ::testing::TestWithParam<BadRun> {};

TEST_P(DemonetBadRunTest, FailsWithAClearMessage) {
    const BadRun& bad = GetParam();
    std::vector<std::string> arguments = bad.arguments;
    for (auto& argument : arguments)
        if (argument == "@broken")
            argument = WriteScenario("demonet-broken.scenario",
                                     "server FS network=00000001 node=000000000001\n"
                                     "service FS type=4 socket=451\n"
                                     "service BAD type=4 socket=451 hops=lots\n");
    ChildProcess demo(kProgram, arguments);
    const auto status = demo.wait(5s);
    ASSERT_TRUE(status.has_value());
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), bad.exitCode);
    const std::string error = demo.errorOutput();
    EXPECT_NE(error.find(bad.message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DemonetBadRunTest,
    ::testing::Values(BadRun{{"--frobnicate"}, 2, "unknown option '--frobnicate'"},
                      BadRun{{"--port"}, 2, "'--port' needs a value"},
                      BadRun{{"--port", "65536"}, 2, "--port needs a number"},
                      BadRun{{"--interval", "0"}, 2, "--interval needs"},
                      BadRun{{"--interval=abc"}, 2, "--interval needs"},
                      BadRun{{"--quiet=yes"}, 2, "takes no value"},
                      BadRun{{"stray"}, 2, "unexpected argument 'stray'"},
                      BadRun{{"--scenario", "/nonexistent/x.scenario"}, 1, "/nonexistent/x.scenario: cannot open"},
                      BadRun{{"--port", "0", "--scenario", "@broken"}, 1, "demonet-broken.scenario:3: hops must be"}));

TEST(DemonetProgramTest, PortInUseIsReported) {
    ChildProcess first(kProgram, {"--port", "0", "--quiet"});
    const std::uint16_t port = ListeningPort(first);
    ASSERT_NE(port, 0);
    ChildProcess second(kProgram, {"--port", std::to_string(port)});
    const auto status = second.wait(5s);
    ASSERT_TRUE(status.has_value());
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    EXPECT_NE(second.errorOutput().find("cannot bind 127.0.0.1:" + std::to_string(port)), std::string::npos);
    first.signal(SIGTERM);
    EXPECT_TRUE(first.wait(5s).has_value());
}

}  // namespace
