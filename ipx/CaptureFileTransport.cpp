#include "CaptureFileTransport.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include <pcap/pcap.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/timerfd.h>

#include "IpxFrame.h"
#include "TolvSipxStatus.h"

namespace zorvik::ipx {

namespace {

std::int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void drain(int fd)
{
    std::uint64_t value = 0;
    while (::read(fd, &value, sizeof value) > 0) {
    }
}

}  // namespace

CaptureFileTransport::~CaptureFileTransport()
{
    if (m_pcap)
        pcap_close(m_pcap);
}

TOLVSIPX_STATUS CaptureFileTransport::open(const std::string& path, bool paced,
                                           std::unique_ptr<Transport>& transport)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return errno == ENOMEM || errno == EMFILE || errno == ENFILE ? TOLVSIPX_STATUS_OUT_OF_RESOURCES
                                                                     : TOLVSIPX_STATUS_FILE_UNREADABLE;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return TOLVSIPX_STATUS_FILE_UNREADABLE;
    }
    char error[PCAP_ERRBUF_SIZE] = {};
    // pcap and pcapng alike; nanosecond stamps so that replay keeps fine pacing.
    pcap_t* handle = pcap_fopen_offline_with_tstamp_precision(file, PCAP_TSTAMP_PRECISION_NANO, error);
    if (!handle) {
        std::fclose(file);
        return TOLVSIPX_STATUS_NOT_A_CAPTURE;
    }
    std::unique_ptr<CaptureFileTransport> self(new (std::nothrow) CaptureFileTransport);
    if (!self) {
        pcap_close(handle);
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    }
    self->m_pcap = handle;
    self->m_linkType = pcap_datalink(handle);
    if (!isSupportedLinkType(self->m_linkType))
        return TOLVSIPX_STATUS_UNSUPPORTED_LINK_TYPE;
    self->m_paced = paced;
    if (paced) {
        self->m_ready.reset(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
        if (self->m_ready.valid())
            self->armTimer(0);  // the first frame is due at once
    } else {
        self->m_ready.reset(eventfd(1, EFD_NONBLOCK | EFD_CLOEXEC));
    }
    if (!self->m_ready.valid())
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    transport = std::move(self);
    return TOLVSIPX_STATUS_SUCCESS;
}

std::vector<int> CaptureFileTransport::descriptors() const
{
    return {m_ready.get()};
}

void CaptureFileTransport::reachEnd()
{
    // A truncated last record ends the capture the same way as its proper end.
    m_ended = true;
    m_haveFrame = false;
    if (m_paced) {
        itimerspec off{};
        timerfd_settime(m_ready.get(), 0, &off, nullptr);
    }
    drain(m_ready.get());
    pcap_close(m_pcap);
    m_pcap = nullptr;
}

bool CaptureFileTransport::loadFrame()
{
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    if (pcap_next_ex(m_pcap, &header, &data) != 1)
        return false;
    m_frameData = data;
    m_frameLength = header->caplen;
    m_frameTimeNs = static_cast<std::int64_t>(header->ts.tv_sec) * 1000000000 + header->ts.tv_usec;
    m_haveFrame = true;
    return true;
}

void CaptureFileTransport::armTimer(std::int64_t dueNs)
{
    itimerspec when{};
    if (dueNs <= 0) {
        when.it_value.tv_nsec = 1;  // in the past: fires at once
    } else {
        when.it_value.tv_sec = dueNs / 1000000000;
        when.it_value.tv_nsec = dueNs % 1000000000;
    }
    timerfd_settime(m_ready.get(), TFD_TIMER_ABSTIME, &when, nullptr);
}

TransportPoll CaptureFileTransport::next(int& linkType, PacketBytes& frame)
{
    if (m_ended)
        return TransportPoll::Nothing;
    if (!m_paced) {
        if (!loadFrame()) {
            reachEnd();
            return TransportPoll::Nothing;
        }
        m_haveFrame = false;
        linkType = m_linkType;
        frame = PacketBytes(m_frameData, m_frameLength);
        return TransportPoll::Frame;
    }

    if (!m_haveFrame && !loadFrame()) {
        reachEnd();
        return TransportPoll::Nothing;
    }
    const std::int64_t now = monotonicNs();
    if (!m_started) {
        m_started = true;
        m_startNs = now;
        m_firstFrameNs = m_frameTimeNs;
        m_lastDueNs = now;
    }
    std::int64_t due = m_startNs + (m_frameTimeNs - m_firstFrameNs);
    if (due < m_lastDueNs)
        due = m_lastDueNs;  // stamps that go backwards: deliver in file order, at once
    drain(m_ready.get());
    if (now < due) {
        armTimer(due);
        return TransportPoll::Nothing;
    }
    m_lastDueNs = due;
    m_haveFrame = false;
    armTimer(0);  // readable again so that the caller comes back for the next frame
    linkType = m_linkType;
    frame = PacketBytes(m_frameData, m_frameLength);
    return TransportPoll::Frame;
}

}  // namespace zorvik::ipx
