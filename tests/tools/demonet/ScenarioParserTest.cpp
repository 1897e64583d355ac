#include <algorithm>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "DefaultScenario.h"
#include "ScenarioError.h"
#include "ScenarioParser.h"

using demonet::Scenario;
using demonet::ScenarioError;
using demonet::ScenarioParser;

namespace {

TEST(ScenarioParserTest, ReadsServersServicesAndEverySetting) {
    const Scenario scenario = ScenarioParser("site.scenario").parse(
        "# a comment line\r\n"
        "\n"
        "server HQ-FS1 network=0000C0DE node=0080c7a41b02   # trailing comment\r\n"
        "  service HQ-FS1 type=0004 socket=0451\r\n"
        "  service \"MAIN OFFICE #2\" type=3 socket=8060 hops=2 down=90.5\n"
        "server LATE node=000000000001 network=00000001 start=1.25\n"
        "\tservice L type=FFFF socket=ffff hops=65535");

    ASSERT_EQ(scenario.servers.size(), 2u);
    const auto& hq = scenario.servers[0];
    EXPECT_EQ(hq.name, "HQ-FS1");
    EXPECT_EQ(hq.network, (std::array<std::uint8_t, 4>{0x00, 0x00, 0xC0, 0xDE}));
    EXPECT_EQ(hq.node, (std::array<std::uint8_t, 6>{0x00, 0x80, 0xC7, 0xA4, 0x1B, 0x02}));
    EXPECT_EQ(hq.startSeconds, 0.0);
    EXPECT_EQ(hq.line, 3);
    ASSERT_EQ(hq.services.size(), 2u);
    EXPECT_EQ(hq.services[0].name, "HQ-FS1");
    EXPECT_EQ(hq.services[0].type, 0x0004);
    EXPECT_EQ(hq.services[0].socket, 0x0451);
    EXPECT_EQ(hq.services[0].hops, 0);
    EXPECT_FALSE(hq.services[0].downAfterSeconds.has_value());
    EXPECT_EQ(hq.services[1].name, "MAIN OFFICE #2");
    EXPECT_EQ(hq.services[1].type, 0x0003);
    EXPECT_EQ(hq.services[1].hops, 2);
    EXPECT_EQ(hq.services[1].downAfterSeconds, 90.5);

    const auto& late = scenario.servers[1];
    EXPECT_EQ(late.startSeconds, 1.25);
    ASSERT_EQ(late.services.size(), 1u);
    EXPECT_EQ(late.services[0].type, 0xFFFF);
    EXPECT_EQ(late.services[0].socket, 0xFFFF);
    EXPECT_EQ(late.services[0].hops, 65535);
}

TEST(ScenarioParserTest, NameOfExactly47CharactersFits) {
    const std::string name(47, 'N');
    const Scenario scenario = ScenarioParser("s").parse("server " + name + " network=00000001 node=000000000001\n"
                                                        "service " + name + " type=4 socket=451\n");
    EXPECT_EQ(scenario.servers[0].services[0].name, name);
}

struct BadScenario {
    const char* what;
    std::string text;
    int line;
    const char* message;  // a part of the message that must be there
};

// Test lists name the case, not its bytes.
void PrintTo(const BadScenario& c, std::ostream* out) { *out << c.what; }

class ScenarioParserErrorTest : public ::testing::TestWithParam<BadScenario> {};

TEST_P(ScenarioParserErrorTest, ReportsFileLineAndCause) {
    const BadScenario& bad = GetParam();
    try {
        ScenarioParser("bad.scenario").parse(bad.text);
        FAIL() << "accepted: " << bad.what;
    } catch (const ScenarioError& error) {
        EXPECT_EQ(error.line(), bad.line) << error.what();
        EXPECT_NE(error.message().find(bad.message), std::string::npos) << error.what();
        const std::string prefix =
            bad.line > 0 ? "bad.scenario:" + std::to_string(bad.line) + ": " : std::string("bad.scenario: ");
        EXPECT_EQ(std::string(error.what()).rfind(prefix, 0), 0u) << error.what();
    }
}

const std::string kServer = "server FS network=00000001 node=000000000001\n";
const std::string kService = "service SVC type=4 socket=451\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ScenarioParserErrorTest,
    ::testing::Values(
        BadScenario{"empty file", "# nothing here\n\n", 0, "no servers"},
        BadScenario{"unknown keyword", kServer + kService + "router R1\n", 3, "unknown keyword 'router'"},
        BadScenario{"service first", "\n" + kService + kServer, 2, "before any server"},
        BadScenario{"server without services", kServer + "server B network=00000002 node=000000000002\n" + kService,
                    1, "has no services"},
        BadScenario{"last server without services", kServer + kService + "\nserver B network=00000002 node=000000000002\n",
                    4, "has no services"},
        BadScenario{"no name", "server network=00000001 node=000000000001\n", 1, "needs a name"},
        BadScenario{"empty quoted name", kServer + "service \"\" type=4 socket=451\n", 2, "must not be empty"},
        BadScenario{"unterminated quote", kServer + "service \"FS type=4 socket=451\n", 2, "unterminated"},
        BadScenario{"name of 48", kServer + "service " + std::string(48, 'X') + " type=4 socket=451\n", 2,
                    "at most 47"},
        BadScenario{"control character in name", kServer + "service A\x01" "B type=4 socket=451\n", 2,
                    "printable ASCII"},
        BadScenario{"short network", "server FS network=0001 node=000000000001\n" + kService, 1,
                    "network must be 8 hex digits"},
        BadScenario{"non-hex node", "server FS network=00000001 node=00000000000G\n" + kService, 1,
                    "node must be 12 hex digits"},
        BadScenario{"missing node", "server FS network=00000001\n" + kService, 1, "needs node="},
        BadScenario{"missing type", kServer + "service SVC socket=451\n", 2, "needs type="},
        BadScenario{"missing socket", kServer + "service SVC type=4\n", 2, "needs socket="},
        BadScenario{"type too wide", kServer + "service SVC type=10004 socket=451\n", 2, "type must be 1 to 4 hex"},
        BadScenario{"socket with 0x", kServer + "service SVC type=4 socket=0x451\n", 2, "socket must be 1 to 4 hex"},
        BadScenario{"hops too big", kServer + "service SVC type=4 socket=451 hops=65536\n", 2, "hops must be"},
        BadScenario{"negative hops", kServer + "service SVC type=4 socket=451 hops=-1\n", 2, "hops must be"},
        BadScenario{"negative start", "server FS network=00000001 node=000000000001 start=-5\n" + kService, 1,
                    "start must be"},
        BadScenario{"start not a number", "server FS network=00000001 node=000000000001 start=soon\n" + kService, 1,
                    "start must be"},
        BadScenario{"bad down", kServer + "service SVC type=4 socket=451 down=1e3\n", 2, "down must be"},
        BadScenario{"unknown setting", kServer + "service SVC type=4 socket=451 colour=red\n", 2,
                    "unknown setting 'colour'"},
        BadScenario{"start on a service", kServer + "service SVC type=4 socket=451 start=3\n", 2,
                    "unknown setting 'start'"},
        BadScenario{"setting twice", kServer + "service SVC type=4 type=7 socket=451\n", 2, "'type' given twice"},
        BadScenario{"stray word", kServer + "service SVC type=4 socket=451 extra\n", 2, "expected key=value"}),
    [](const ::testing::TestParamInfo<BadScenario>& info) {
        std::string name = info.param.what;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
                        '_');
        return name;
    });

TEST(ScenarioParserTest, UnreadableFilesAreErrorsNamingTheFile) {
    const std::string missing = ::testing::TempDir() + "no-such.scenario";
    std::remove(missing.c_str());
    try {
        ScenarioParser::parseFile(missing);
        FAIL() << "a missing file was accepted";
    } catch (const ScenarioError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(missing + ": cannot open", 0), 0u) << error.what();
    }
    EXPECT_THROW(ScenarioParser::parseFile(::testing::TempDir()), ScenarioError);

    const std::string path = ::testing::TempDir() + "demonet-good.scenario";
    std::ofstream(path) << kServer << kService;
    EXPECT_EQ(ScenarioParser::parseFile(path).servers.size(), 1u);
    std::remove(path.c_str());
}

// The built-in scenario is what users see first: it must parse and show every kind of site feature.
TEST(ScenarioParserTest, DefaultScenarioLooksLikeARealSite) {
    const Scenario scenario = ScenarioParser(demonet::kDefaultScenarioName).parse(demonet::DefaultScenarioText());
    std::set<std::uint16_t> types;
    std::set<std::string> names;
    bool remote = false, down = false, late = false, manyServices = false, caseTwin = false;
    for (const auto& server : scenario.servers) {
        late = late || server.startSeconds >= 60.0;
        manyServices = manyServices || server.services.size() > 7;
        for (const auto& service : server.services) {
            types.insert(service.type);
            remote = remote || service.hops > 0;
            down = down || (service.downAfterSeconds && *service.downAfterSeconds > 0.0);
            std::string folded = service.name;
            std::transform(folded.begin(), folded.end(), folded.begin(), ::toupper);
            for (const auto& seen : names) {
                std::string other = seen;
                std::transform(other.begin(), other.end(), other.begin(), ::toupper);
                caseTwin = caseTwin || (other == folded && seen != service.name);
            }
            names.insert(service.name);
        }
    }
    for (const std::uint16_t type : {0x0004, 0x0007, 0x0003, 0x0278, 0x026B})
        EXPECT_TRUE(types.count(type)) << std::hex << type;
    EXPECT_TRUE(remote);
    EXPECT_TRUE(down);
    EXPECT_TRUE(late);
    EXPECT_TRUE(manyServices);
    EXPECT_TRUE(caseTwin);
}

}  // namespace
