#include "LiveTransport.h"

#include <pcap/pcap.h>

#include "IpxFrame.h"
#include "TolvSipxStatus.h"

namespace zorvik::ipx {

namespace {

// Room for the largest Ethernet frame with two tags; SAP datagrams are far smaller.
constexpr int kSnapLength = 1600;

// A coarse filter to keep other traffic out of user space; the parser checks
// every frame anyway. Stacked tags are tried too.
constexpr const char* kFilter = "ipx or (vlan and (ipx or (vlan and ipx)))";

TOLVSIPX_STATUS activationStatus(int code)
{
    switch (code) {
    case PCAP_ERROR_PERM_DENIED:
        return TOLVSIPX_STATUS_NO_PERMISSION;
    case PCAP_ERROR_NO_SUCH_DEVICE:
        return TOLVSIPX_STATUS_NO_SUCH_INTERFACE;
    case PCAP_ERROR_IFACE_NOT_UP:
        return TOLVSIPX_STATUS_INTERFACE_DOWN;
    default:
        return TOLVSIPX_STATUS_CAPTURE_FAILED;
    }
}

}  // namespace

LiveTransport::~LiveTransport()
{
    if (m_pcap)
        pcap_close(m_pcap);
}

TOLVSIPX_STATUS LiveTransport::open(const std::string& interfaceName, std::unique_ptr<Transport>& transport)
{
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(interfaceName.c_str(), error);
    if (!handle)
        return TOLVSIPX_STATUS_CAPTURE_FAILED;
    // The watch starts before activation, so that a change in between is not missed.
    std::unique_ptr<LiveTransport> self(new (std::nothrow) LiveTransport(interfaceName));
    if (!self) {
        pcap_close(handle);
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    }
    self->m_pcap = handle;
    pcap_set_snaplen(handle, kSnapLength);
    pcap_set_promisc(handle, 0);  // SAP is broadcast; nothing else is wanted
    pcap_set_immediate_mode(handle, 1);
    const int activated = pcap_activate(handle);
    if (activated < 0)
        return activationStatus(activated);
    self->m_linkType = pcap_datalink(handle);
    if (!isSupportedLinkType(self->m_linkType))
        return TOLVSIPX_STATUS_UNSUPPORTED_LINK_TYPE;
    bpf_program program{};
    if (pcap_compile(handle, &program, kFilter, 1, PCAP_NETMASK_UNKNOWN) == 0) {
        pcap_setfilter(handle, &program);
        pcap_freecode(&program);
    }
    if (pcap_setnonblock(handle, 1, error) != 0)
        return TOLVSIPX_STATUS_CAPTURE_FAILED;
    self->m_fd = pcap_get_selectable_fd(handle);
    if (self->m_fd < 0)
        return TOLVSIPX_STATUS_CAPTURE_FAILED;
    transport = std::move(self);
    return TOLVSIPX_STATUS_SUCCESS;
}

std::vector<int> LiveTransport::descriptors() const
{
    if (m_link.descriptor() >= 0)
        return {m_fd, m_link.descriptor()};
    return {m_fd};
}

TransportPoll LiveTransport::next(int& linkType, PacketBytes& frame)
{
    if (m_failure)
        return TransportPoll::Failed;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    const int result = pcap_next_ex(m_pcap, &header, &data);
    if (result == 1) {
        linkType = m_linkType;
        frame = PacketBytes(data, header->caplen);
        return TransportPoll::Frame;
    }
    if (result == 0) {
        // An interface set down delivers nothing and libpcap says nothing of it.
        if (!m_link.wentDown())
            return TransportPoll::Nothing;
        m_failure = TOLVSIPX_STATUS_INTERFACE_DOWN;
        return TransportPoll::Failed;
    }
    // The interface went down or away, or the capture broke: the run cannot go on.
    m_failure = TOLVSIPX_STATUS_INTERFACE_DOWN;
    return TransportPoll::Failed;
}

}  // namespace zorvik::ipx
