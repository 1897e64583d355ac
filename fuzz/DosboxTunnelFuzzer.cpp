// What the DOSBox tunnel client makes of received UDP datagrams. The client
// decides from the sender's address and the IPX header whether a datagram is
// a ping, its own keepalive, data for it or nothing, and that decision sits
// inside its receive loop; so the fuzzer plays the hub on loopback, plus a
// stranger on another port, and sends each input datagram to the real client.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "CapturePackets.h"
#include "DosboxTransport.h"
#include "IpxFrame.h"
#include "TolvSipxStatus.h"

namespace {

namespace cw = zorvik::capwrite;
using namespace zorvik::ipx;

// The node the hub hands out; inputs address the client with it.
constexpr std::uint8_t kClientNode[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
constexpr int kMaxDatagrams = 16;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

int loopbackSocket(sockaddr_in& bound)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    check(fd >= 0, "no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    check(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0, "cannot bind on loopback");
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    return fd;
}

struct Tunnel {
    int hub = -1;
    int stranger = -1;
    sockaddr_in hubAddress{};
    sockaddr_in strangerAddress{};
    sockaddr_in client{};
    std::unique_ptr<Transport> transport;
};

Tunnel& tunnel()
{
    static Tunnel t;
    return t;
}

// Answers the client's first registration with kClientNode.
void answerRegistration(Tunnel& t)
{
    pollfd wait{t.hub, POLLIN, 0};
    check(poll(&wait, 1, 5000) == 1, "no registration arrived");
    std::uint8_t request[64];
    socklen_t length = sizeof t.client;
    check(recvfrom(t.hub, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&t.client), &length) > 0,
          "registration unreadable");
    cw::IpxEndpoint to{};
    std::memcpy(to.node, kClientNode, 6);
    to.socket = 2;
    cw::IpxEndpoint from{};
    from.socket = 2;
    const cw::Bytes answer = cw::ipxPacket(to, from, 0, {});
    sendto(t.hub, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr*>(&t.client), sizeof t.client);
}

void drain(int fd)
{
    std::uint8_t scratch[2048];
    while (recv(fd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Tunnel& t = tunnel();
    t.hub = loopbackSocket(t.hubAddress);
    t.stranger = loopbackSocket(t.strangerAddress);
    std::thread hub([&t] { answerRegistration(t); });
    // A keepalive period far beyond any run: silence must not end the tunnel here.
    const TOLVSIPX_STATUS status =
        DosboxTransport::open("127.0.0.1", ntohs(t.hubAddress.sin_port), 5000, 3600 * 1000, t.transport);
    hub.join();
    check(status == TOLVSIPX_STATUS_SUCCESS, "tunnel did not open");
    check(std::memcmp(static_cast<DosboxTransport&>(*t.transport).node(), kClientNode, 6) == 0,
          "client did not take the assigned node");
    return 0;
}

// Input: datagrams of [sender byte: odd = a stranger][length, 2 bytes][bytes].
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Tunnel& t = tunnel();
    std::size_t at = 0;
    for (int n = 0; n < kMaxDatagrams && at + 3 <= size; ++n) {
        const bool stranger = data[at] & 1;
        std::size_t length = static_cast<std::size_t>((data[at + 1] << 8) | data[at + 2]);
        at += 3;
        if (length > size - at)
            length = size - at;
        const int from = stranger ? t.stranger : t.hub;
        sendto(from, data + at, length, 0, reinterpret_cast<const sockaddr*>(&t.client), sizeof t.client);
        at += length;

        int linkType = 0;
        PacketBytes frame;
        const TransportPoll poll = t.transport->next(linkType, frame);
        check(poll != TransportPoll::Failed, "a received datagram killed the tunnel");
        if (poll == TransportPoll::Frame) {
            check(!stranger, "a stranger's datagram was delivered");
            check(linkType == kLinkTypeBareIpx, "tunnel frame not bare IPX");
            check(frame.size() == length, "delivered size differs from the datagram");
            check(std::memcmp(frame.data(), data + at - length, length) == 0, "delivered bytes differ");
            IpxPacket packet;
            check(parseFrame(linkType, frame, packet) == FrameResult::Ipx, "delivered a frame that does not parse");
            check(packet.destination.socket != 2, "delivered the tunnel's own echo traffic");
        }
        // Nothing left over for the next datagram to be confused with.
        check(t.transport->next(linkType, frame) == TransportPoll::Nothing, "more than one frame from one datagram");
        drain(t.hub);
        drain(t.stranger);
    }
    return 0;
}
