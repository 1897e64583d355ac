// Against the real world, inside a private network namespace (root only):
// the tunnel client with Debian's dosbox as the hub, and live capture on a
// veth pair with frames of every framing injected at the other end.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CapturePackets.h"
#include "IpxTestSupport.h"
#include "TolvSipxStatus.h"
#include "TolvSipxTesting.h"

namespace {

using namespace zorvik::ipxtest;
namespace cw = zorvik::capwrite;
using Packet = std::vector<std::uint8_t>;

constexpr std::uint16_t kHubPort = 21300;

// Moves this test process into a network namespace of its own with loopback
// up, so that nothing here touches the machine's network. Each test runs in
// its own process under ctest; a second call in one process reuses the first.
bool enterPrivateNetwork(std::string& why)
{
    static int state = 0;  // 0 not tried, 1 inside, -1 impossible
    static std::string reason;
    if (state == 0) {
        if (geteuid() != 0) {
            reason = "needs root (a private network namespace and raw sockets)";
        } else if (unshare(CLONE_NEWNET) != 0) {
            reason = std::string("unshare(CLONE_NEWNET) failed: ") + std::strerror(errno);
        } else if (std::system("ip link set lo up") != 0) {
            reason = "`ip link set lo up` failed (is iproute2 installed?)";
        }
        state = reason.empty() ? 1 : -1;
    }
    why = reason;
    return state == 1;
}

std::string commandPath(const char* name)
{
    for (const char* dir : {"/usr/bin/", "/usr/sbin/", "/bin/", "/usr/games/", "/usr/local/bin/"}) {
        const std::string path = std::string(dir) + name;
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

Packet header30(const std::uint8_t* destNode, std::uint16_t destSocket, const std::uint8_t* srcNode,
                std::uint16_t srcSocket)
{
    Packet p(30, 0);
    p[0] = p[1] = 0xFF;
    p[3] = 30;
    std::memcpy(&p[10], destNode, 6);
    p[16] = static_cast<std::uint8_t>(destSocket >> 8);
    p[17] = static_cast<std::uint8_t>(destSocket);
    std::memcpy(&p[22], srcNode, 6);
    p[28] = static_cast<std::uint8_t>(srcSocket >> 8);
    p[29] = static_cast<std::uint8_t>(srcSocket);
    return p;
}

cw::Bytes sapIpx(const std::string& name, const std::uint8_t* sourceNode = nullptr)
{
    cw::ServiceEntry entry;
    entry.name = name;
    entry.type = 4;
    entry.network[3] = 1;
    cw::IpxEndpoint source;
    if (sourceNode)
        std::memcpy(source.node, sourceNode, 6);
    source.socket = 0x4000;
    return cw::ipxPacket(cw::sapBroadcast(), source, 4, cw::sapResponse({entry}));
}

// A second tunnel client written here from the protocol: registers and talks
// to the hub through a plain UDP socket.
class PlainTunnelClient {
public:
    PlainTunnelClient()
    {
        m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in hub{};
        hub.sin_family = AF_INET;
        hub.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        hub.sin_port = htons(kHubPort);
        connect(m_socket, reinterpret_cast<sockaddr*>(&hub), sizeof hub);
    }
    ~PlainTunnelClient() { close(m_socket); }

    bool registerWithHub(int timeoutMs)
    {
        const std::uint8_t zero[6] = {};
        const Packet registration = header30(zero, 2, zero, 2);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            send(m_socket, registration.data(), registration.size(), 0);
            Packet answer;
            if (receive(answer, 200) && answer.size() >= 30 && answer[17] == 2) {
                std::memcpy(m_node, &answer[10], 6);
                return true;
            }
        }
        return false;
    }

    bool receive(Packet& packet, int timeoutMs)
    {
        pollfd wait{m_socket, POLLIN, 0};
        if (poll(&wait, 1, timeoutMs) <= 0)
            return false;
        packet.resize(2048);
        const ssize_t got = recv(m_socket, packet.data(), packet.size(), 0);
        if (got < 0)
            return false;
        packet.resize(static_cast<std::size_t>(got));
        return true;
    }

    void sendPacket(const Packet& packet) { send(m_socket, packet.data(), packet.size(), 0); }
    const std::uint8_t* node() const { return m_node; }

private:
    int m_socket = -1;
    std::uint8_t m_node[6] = {};
};

// Whether something listens on UDP port `port` (any address) in this namespace.
bool udpPortBound(std::uint16_t port)
{
    std::ifstream table("/proc/net/udp");
    std::string line;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X ", port);
    while (std::getline(table, line)) {
        const auto local = line.find(':', line.find(':') + 1);  // after "sl:" comes the local address
        if (local != std::string::npos && line.compare(local, 6, wanted) == 0)
            return true;
    }
    return false;
}

class DosboxHubProcess {
public:
    explicit DosboxHubProcess(const std::string& configPath)
    {
        m_pid = fork();
        if (m_pid == 0) {
            const int devnull = ::open("/dev/null", O_RDWR);
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            const std::string command = "IPXNET STARTSERVER " + std::to_string(kHubPort);
            const std::string dosbox = commandPath("dosbox");
            execl(dosbox.c_str(), "dosbox", "-conf", configPath.c_str(), "-noconsole", "-c", command.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~DosboxHubProcess()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                return;
            usleep(20000);
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    DosboxHubProcess(const DosboxHubProcess&) = delete;
    DosboxHubProcess& operator=(const DosboxHubProcess&) = delete;

private:
    pid_t m_pid = -1;
};

TEST(Interop, TunnelClientThroughDebianDosboxHub)
{
    std::string why;
    if (!enterPrivateNetwork(why))
        GTEST_SKIP() << "DOSBox interoperability test skipped: " << why;
    if (commandPath("dosbox").empty())
        GTEST_SKIP() << "DOSBox interoperability test skipped: the dosbox package is not installed";
    ScratchDir dir;
    std::ofstream(dir.path("dosbox.conf")) << "[sdl]\nfullscreen=false\n[ipx]\nipx=true\n";
    DosboxHubProcess hub(dir.path("dosbox.conf"));
    // The emulator takes a moment to start; a closed port would be refused at once.
    const auto started = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!udpPortBound(kHubPort) && std::chrono::steady_clock::now() < started)
        usleep(20000);
    ASSERT_TRUE(udpPortBound(kHubPort)) << "dosbox did not start its IPX hub";

    // Allow for the emulator's start-up before the hub answers.
    TolvSipxTestSetDosboxTimers(10000, 0);
    const TransportSetting use("dosbox:127.0.0.1:" + std::to_string(kHubPort));
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);

    PlainTunnelClient server;
    ASSERT_TRUE(server.registerWithHub(5000));
    server.sendPacket(sapIpx("DOSBOX-SERVER", server.node()));
    ASSERT_EQ(receiver.receive(3000), TOLVSIPX_STATUS_SUCCESS);
    ASSERT_FALSE(sapNames(receiver.buffer()).empty());
    EXPECT_EQ(sapNames(receiver.buffer())[0].name, "DOSBOX-SERVER");

    // A ping from the second client is answered by ours, unicast, on socket 2.
    ASSERT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_SUCCESS);
    const std::uint8_t broadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    server.sendPacket(header30(broadcast, 2, server.node(), 2));
    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        receiver.receive(10);
        Packet packet;
        while (!answered && server.receive(packet, 0)) {
            answered = packet.size() >= 30 && std::memcmp(&packet[10], server.node(), 6) == 0 && packet[17] == 2 &&
                       packet[29] == 2;
        }
    }
    EXPECT_TRUE(answered);
    TolvSipxTestReset();
}

int interfaceIndex(const char* name)
{
    return static_cast<int>(if_nametoindex(name));
}

TEST(Interop, LiveCaptureOnVethWithEveryFraming)
{
    std::string why;
    if (!enterPrivateNetwork(why))
        GTEST_SKIP() << "veth live-capture test skipped: " << why;
    if (std::system("ip link add v0 type veth peer name v1 && ip link set v0 up && ip link set v1 up") != 0)
        GTEST_SKIP() << "veth live-capture test skipped: cannot create a veth pair here";

    const TransportSetting use("eth:v1");
    Receiver receiver;
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);

    const int injector = socket(AF_PACKET, SOCK_RAW, htons(ETH_P_ALL));
    ASSERT_GE(injector, 0) << std::strerror(errno);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_ifindex = interfaceIndex("v0");
    to.sll_halen = 6;
    std::memset(to.sll_addr, 0xFF, 6);

    struct Injected {
        const char* name;
        cw::Framing framing;
        std::vector<std::uint16_t> tags;
    };
    const Injected frames[] = {
        {"VETH-ETHII", cw::Framing::EthernetII, {}}, {"VETH-RAW", cw::Framing::Raw8023, {}},
        {"VETH-LLC", cw::Framing::Llc8022, {}},      {"VETH-SNAP", cw::Framing::Snap, {}},
        {"VETH-VLAN", cw::Framing::EthernetII, {7}},
    };
    std::set<std::string> expected;
    for (const Injected& frame : frames)
        expected.insert(frame.name);
    // Non-SAP IPX traffic and IPv4 go past unseen.
    cw::IpxEndpoint rip = cw::sapBroadcast();
    rip.socket = 0x0453;
    const cw::Bytes ripFrame = cw::ethernetFrame(cw::Framing::EthernetII, cw::ipxPacket(rip, {}, 1, cw::sapQuery(1)));

    // Rounds repeat until all arrive or time runs out: a fresh link may drop the first frames.
    const auto deliver = [&](const std::set<std::string>& wanted) {
        std::set<std::string> seen;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (seen != wanted && std::chrono::steady_clock::now() < deadline) {
            for (const Injected& frame : frames) {
                if (!wanted.count(frame.name) || seen.count(frame.name))
                    continue;
                const cw::Bytes bytes = cw::ethernetFrame(frame.framing, sapIpx(frame.name), frame.tags);
                sendto(injector, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            }
            sendto(injector, ripFrame.data(), ripFrame.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            while (receiver.receive(100) == TOLVSIPX_STATUS_SUCCESS) {
                for (const SapName& entry : sapNames(receiver.buffer()))
                    seen.insert(entry.name);
                if (TolvSipxReceiveDatagram(receiver.block()) != TOLVSIPX_STATUS_SUCCESS)
                    return seen;
            }
        }
        return seen;
    };
    EXPECT_EQ(deliver(expected), expected);

    // Set down but not removed, the interface delivers nothing and libpcap
    // says nothing: the run must still learn it, and Start fails until the
    // interface is up again.
    const auto failureWithin = [&receiver](int seconds) {
        TOLVSIPX_STATUS status = TOLVSIPX_STATUS_PENDING;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (status == TOLVSIPX_STATUS_PENDING && std::chrono::steady_clock::now() < end)
            status = receiver.receive(50);
        return status;
    };
    ASSERT_EQ(std::system("ip link set v1 down"), 0);
    EXPECT_EQ(failureWithin(3), TOLVSIPX_STATUS_INTERFACE_DOWN);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_INTERFACE_DOWN);
    receiver.stop();
    EXPECT_EQ(receiver.start(), TOLVSIPX_STATUS_INTERFACE_DOWN);
    receiver.stop();
    ASSERT_EQ(std::system("ip link set v1 up"), 0);
    ASSERT_EQ(receiver.start(), TOLVSIPX_STATUS_SUCCESS);
    EXPECT_EQ(deliver({"VETH-ETHII"}), std::set<std::string>{"VETH-ETHII"});
    close(injector);

    // The interface disappears mid-run: the run learns it.
    ASSERT_EQ(std::system("ip link del v0"), 0);
    EXPECT_EQ(failureWithin(3), TOLVSIPX_STATUS_INTERFACE_DOWN);
    EXPECT_EQ(TolvSipxReceiveDatagram(receiver.block()), TOLVSIPX_STATUS_INTERFACE_DOWN);
}

}  // namespace
