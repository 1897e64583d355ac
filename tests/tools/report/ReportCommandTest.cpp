// The report command as users run it: captures written here with the capture
// writer, the report's bytes against the report format for the expected rows,
// sorting, signals, and the exit codes and messages of its errors.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CapturePackets.h"
#include "PcapWriter.h"
#include "sap/ServiceReport.h"

namespace {

namespace cw = zorvik::capwrite;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

cw::ServiceEntry Entry(const std::string& name, std::uint16_t type, std::uint32_t network, std::uint8_t nodeLast,
                       std::uint16_t socket, std::uint16_t hops) {
    cw::ServiceEntry entry;
    entry.name = name;
    entry.type = type;
    for (int i = 0; i < 4; ++i) entry.network[i] = static_cast<std::uint8_t>(network >> (24 - 8 * i));
    entry.node[5] = nodeLast;
    entry.socket = socket;
    entry.hops = hops;
    return entry;
}

ServiceItem Item(const std::string& name, std::uint32_t type, const std::string& address, std::uint16_t hops) {
    ServiceItem item;
    item.name = name;
    item.type = type;
    item.address = address;
    item.hops = hops;
    return item;
}

std::string Expected(const std::vector<ServiceItem>& rows) {
    std::vector<const ServiceItem*> pointers;
    for (const ServiceItem& row : rows) pointers.push_back(&row);
    return sap::FormatReport(pointers, static_cast<int>(rows.size()));
}

class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zorvik-report-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    struct Frame {
        std::uint64_t timeUs;
        cw::Bytes bytes;
    };

    static cw::Bytes SapFrame(cw::Framing framing, const cw::Bytes& payload, std::uint16_t socket = cw::kSapSocket) {
        cw::IpxEndpoint destination = cw::sapBroadcast();
        destination.socket = socket;
        cw::IpxEndpoint source;
        source.node[5] = 0x42;
        source.socket = cw::kSapSocket;
        return cw::ethernetFrame(framing, cw::ipxPacket(destination, source, 4, payload));
    }

    std::string WriteCapture(const std::string& name, const std::vector<Frame>& frames) {
        const std::string path = Path(name);
        cw::PcapWriter writer;
        EXPECT_TRUE(writer.open(path, cw::kLinkEthernet));
        for (const Frame& frame : frames) EXPECT_TRUE(writer.write(frame.timeUs, frame.bytes.data(), frame.bytes.size()));
        EXPECT_TRUE(writer.close());
        return path;
    }

    // Four services over all four framings, a name repeated in another letter
    // case, a query, and a SAP-looking datagram to another socket.
    std::string SiteCapture() {
        return WriteCapture(
            "site.pcap",
            {{0, SapFrame(cw::Framing::EthernetII, cw::sapResponse({Entry("FS1", 0x0004, 0x0000000A, 1, 0x0451, 1),
                                                                     Entry("PRINT_Q", 0x0003, 0x00000002, 2, 0x8060, 2)}))},
             {1000, SapFrame(cw::Framing::Llc8022, cw::sapQuery(0xFFFF))},
             {2000, SapFrame(cw::Framing::Raw8023, cw::sapResponse({Entry("fs1", 0x0007, 0x0000000C, 3, 0x0451, 1),
                                                                    Entry("DIR-TREE", 0x0278, 0x13000001, 4, 0x4006, 0)}))},
             {3000, SapFrame(cw::Framing::Llc8022, cw::sapResponse({Entry("NOT_SAP", 0x0004, 1, 5, 1, 1)}), 0x0453)},
             {4000, SapFrame(cw::Framing::Snap, cw::sapResponse({Entry("TIME_SRV", 0x026B, 0x0000000B, 6, 0x0005, 16),
                                                                 Entry("Print_q", 0x0004, 0x00000009, 7, 1, 3)}))}});
    }

    static std::vector<ServiceItem> SiteRowsNewestFirst() {
        return {Item("TIME_SRV", 0x026B, "0000000B:000000000006:0005", 16),
                Item("DIR-TREE", 0x0278, "13000001:000000000004:4006", 0),
                Item("PRINT_Q", 0x0003, "00000002:000000000002:8060", 2),
                Item("FS1", 0x0004, "0000000A:000000000001:0451", 1)};
    }

    // Runs the command with TOLVSIPX set to transport (or removed when absent).
    RunResult Report(const std::vector<std::string>& args, const std::optional<std::string>& transport = std::nullopt,
               int signalAfterMs = -1) {
        const pid_t pid = StartReport(args, transport);
        if (signalAfterMs >= 0 && pid > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(signalAfterMs));
            kill(pid, SIGTERM);
        }
        return FinishReport(pid);
    }

    pid_t StartReport(const std::vector<std::string>& args, const std::optional<std::string>& transport) {
        const std::string outPath = Path("stdout"), errPath = Path("stderr");
        const pid_t pid = fork();
        if (pid == 0) {
            if (transport)
                setenv("TOLVSIPX", transport->c_str(), 1);
            else
                unsetenv("TOLVSIPX");
            if (!std::freopen(outPath.c_str(), "wb", stdout) || !std::freopen(errPath.c_str(), "wb", stderr)) _exit(127);
            std::vector<char*> argv{const_cast<char*>(ZORVIK_REPORT)};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(ZORVIK_REPORT, argv.data());
            _exit(127);
        }
        return pid;
    }

    RunResult FinishReport(pid_t pid) {
        RunResult run;
        if (pid < 0) return run;
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadAll(Path("stdout"));
        run.err = ReadAll(Path("stderr"));
        return run;
    }

    std::string m_dir;
};

TEST_F(ReportCommand, FileCaptureGivesTheDistinctServicesNewestFirstAsSaveWrites) {
    const std::string capture = SiteCapture();
    const RunResult run = Report({"--transport", "file:" + capture});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Expected(SiteRowsNewestFirst()));
    EXPECT_NE(run.out.find("Object Count: 4"), std::string::npos);

    // The environment's transport serves as well, and -o writes the same bytes.
    const RunResult toFile = Report({"-o", Path("site.log")}, "file:" + capture);
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(ReadAll(Path("site.log")), run.out);
}

TEST_F(ReportCommand, SortOrdersRowsAscendingByTheColumn) {
    const std::string capture = SiteCapture();
    const std::vector<ServiceItem> rows = SiteRowsNewestFirst();  // TIME_SRV, DIR-TREE, PRINT_Q, FS1
    const struct {
        const char* column;
        std::vector<int> order;
    } cases[] = {
        {"name", {1, 3, 2, 0}},
        {"type", {2, 3, 0, 1}},
        {"address", {2, 3, 0, 1}},
        {"hops", {1, 3, 2, 0}},
    };
    for (const auto& c : cases) {
        std::vector<ServiceItem> sorted;
        for (int index : c.order) sorted.push_back(rows[static_cast<std::size_t>(index)]);
        const RunResult run = Report({"--sort", c.column, "--transport=file:" + capture, "-o", "-"});
        EXPECT_EQ(run.exitCode, 0) << c.column << ": " << run.err;
        EXPECT_EQ(run.out, Expected(sorted)) << c.column;
    }
}

TEST_F(ReportCommand, SharedMixedFramingsCaptureListsItsNineServices) {
    const std::string capture = std::string(ZORVIK_SHARED_CAPTURES) + "/mixed-framings-sap.pcap";
    if (!fs::exists(capture)) GTEST_SKIP() << capture << " is not present";
    const std::vector<ServiceItem> byName = {
        Item("0800097AA27C80CGNPI7AA27C", 0x030C, "00000002:0800097AA27C:400C", 1),
        Item("0800097AA27C83CGNPI7AA27C", 0x030C, "13000001:0800097AA27C:400C", 1),
        Item("APPLE_LWa48982", 0x0618, "13000001:080007A48982:400B", 1),
        Item("APPLE_LWa4cae6", 0x0618, "00000002:080007A4CAE6:400B", 1),
        Item("GIZMO!!!!!!!!!!A5569B20ABE511CE9CA400004C762832", 0x064E, "13000001:0020AF3979E2:4000", 1),
        Item("LUANNS_PC", 0x0640, "13000001:00C04F98FB17:400E", 1),
        Item("ROOM-518F", 0x0640, "13000001:00A0C92454C1:E885", 1),
        Item("WILLIAMSRF-1", 0x0640, "0000000A:000000000001:E885", 1),
        Item("WILLIAMSRF-1!!!A5569B20ABE511CE9CA400004C762832", 0x064E, "0000000A:000000000001:4018", 1),
    };
    const RunResult run = Report({"--sort", "name", "-o", Path("mixed.log")}, "file:" + capture);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAll(Path("mixed.log")), Expected(byName));
}

TEST_F(ReportCommand, TerminationEndsAReplayAndStillWritesTheReport) {
    // The second datagram is due an hour in: only the first can have arrived.
    const std::string capture = WriteCapture(
        "slow.pcap",
        {{0, SapFrame(cw::Framing::EthernetII, cw::sapResponse({Entry("EARLY", 4, 1, 1, 1, 1)}))},
         {3600ull * 1000000, SapFrame(cw::Framing::EthernetII, cw::sapResponse({Entry("LATE", 4, 1, 2, 1, 1)}))}});
    const RunResult run = Report({"--duration", "600", "-o", Path("slow.log")}, "replay:" + capture, 500);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAll(Path("slow.log")), Expected({Item("EARLY", 4, "00000001:000000000001:0001", 1)}));

    // A short duration ends it the same way on its own.
    const RunResult timed = Report({"--duration", "0.3"}, "replay:" + capture);
    EXPECT_EQ(timed.exitCode, 0) << timed.err;
    EXPECT_EQ(timed.out, Expected({Item("EARLY", 4, "00000001:000000000001:0001", 1)}));
}

TEST_F(ReportCommand, HubGoingAwayEndsWithOneAndStillReportsWhatCame) {
    std::ofstream(Path("lab.scenario")) << "server LAB network=0000BEEF node=000000000001\n"
                                           "service LAB-FS type=0004 socket=0451 hops=2\n";
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const std::string scenario = Path("lab.scenario");
    const pid_t hub = fork();
    if (hub == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        execl(ZORVIK_DEMONET, ZORVIK_DEMONET, "--port", "0", "--quiet", "--interval", "0.2", "--scenario",
              scenario.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    ASSERT_GT(hub, 0);
    std::string line;
    char c = 0;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n') line += c;
    close(pipeFds[0]);
    const std::size_t colon = line.rfind(':');
    ASSERT_NE(colon, std::string::npos) << line;
    const std::string port = line.substr(colon + 1);

    const pid_t pid = StartReport({"--duration", "60"}, "dosbox:127.0.0.1:" + port);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(hub, SIGKILL);
    waitpid(hub, nullptr, 0);
    const RunResult run = FinishReport(pid);  // the missed keepalive shows within seconds

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("status 8000000B (DOSBox hub went away); reporting the 1 services gathered"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, Expected({Item("LAB-FS", 0x0004, "0000BEEF:000000000001:0451", 2)}));
}

TEST_F(ReportCommand, BadArgumentsExitWithTwoAndSayWhy) {
    const std::string capture = SiteCapture();
    const struct {
        std::vector<std::string> args;
        std::optional<std::string> transport;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "file:" + capture, "zorvik-report: unknown option --bogus\n"},
        {{"stray"}, "file:" + capture, "zorvik-report: unexpected argument stray\n"},
        {{"--sort", "size"}, "file:" + capture, "zorvik-report: --sort takes name, type, address or hops, not 'size'\n"},
        {{"--duration", "soon"}, "file:" + capture, "zorvik-report: --duration needs a number of seconds above 0 and at most 366 days, not 'soon'\n"},
        {{"--duration", "1e9"}, "file:" + capture, "zorvik-report: --duration needs a number of seconds above 0 and at most 366 days, not '1e9'\n"},
        {{"--duration", "0"}, "file:" + capture, "zorvik-report: --duration needs a number of seconds above 0 and at most 366 days, not '0'\n"},
        {{"--duration"}, "file:" + capture, "zorvik-report: option --duration needs a value\n"},
        {{"-o", "a.log", "-o", "b.log"}, "file:" + capture, "zorvik-report: only one -o FILE may be given\n"},
        {{}, "dosbox:127.0.0.1:1", "zorvik-report: --duration is required for dosbox:127.0.0.1:1"},
        {{}, std::nullopt, "zorvik-report: --duration is required for eth:any (TOLVSIPX unset)"},
        {{"--transport", "replay:" + capture}, std::nullopt, "zorvik-report: --duration is required for replay:"},
    };
    for (const auto& c : cases) {
        const RunResult run = Report(c.args, c.transport);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << c.message;
    }
    const RunResult help = Report({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: zorvik-report"), std::string::npos);
}

TEST_F(ReportCommand, TransportAndWriteFailuresExitWithOneAndKeepTheOldReport) {
    const std::string previous = Path("daily.log");
    std::ofstream(previous) << "yesterday";
    std::ofstream(Path("notes.txt")) << "not a capture at all, just some text here";
    const struct {
        std::string transport;
        const char* message;
    } cases[] = {
        {"file:" + Path("missing.pcap"), "zorvik-report: cannot open the SAP socket: status 80000006 (capture file unreadable)\n"},
        {"file:" + Path("notes.txt"), "zorvik-report: cannot open the SAP socket: status 80000007 (not a pcap or pcapng capture)\n"},
        {"file:" + m_dir, "zorvik-report: cannot open the SAP socket: status 80000006 (capture file unreadable)\n"},
        {"carrier-pigeon:", "zorvik-report: cannot open the SAP socket: status 80000001 (TOLVSIPX names no known transport or is malformed)\n"},
    };
    for (const auto& c : cases) {
        const RunResult run = Report({"--transport", c.transport, "-o", previous});
        EXPECT_EQ(run.exitCode, 1) << c.transport;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(ReadAll(previous), "yesterday") << c.transport;
    }

    const std::string capture = SiteCapture();
    const std::string unwritable = Path("no-such-folder/site.log");
    const RunResult run = Report({"--transport", "file:" + capture, "-o", unwritable});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "zorvik-report: cannot write " + unwritable + ": No such file or directory\n");
    const RunResult toFolder = Report({"--transport", "file:" + capture, "-o", m_dir});
    EXPECT_EQ(toFolder.exitCode, 1);
    EXPECT_EQ(toFolder.err, "zorvik-report: cannot write " + m_dir + ": Is a directory\n");

    const std::string full = std::string(ZORVIK_REPORT) + " --transport file:" + capture + " >/dev/full 2>" + Path("full.err");
    const int status = std::system(full.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(ReadAll(Path("full.err")), "zorvik-report: cannot write standard output: No space left on device\n");
}

}  // namespace
