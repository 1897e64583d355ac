#include "LinkWatch.h"

#include <cerrno>
#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace zorvik::ipx {

namespace {

bool interfaceIsUp(unsigned index)
{
    ifreq request{};
    if (!if_indextoname(index, request.ifr_name))
        return false;
    UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!probe.valid() || ioctl(probe.get(), SIOCGIFFLAGS, &request) != 0)
        return true;  // cannot tell: leave it to libpcap
    return (request.ifr_flags & IFF_UP) != 0;
}

}  // namespace

LinkWatch::LinkWatch(const std::string& interfaceName)
{
    m_index = if_nametoindex(interfaceName.c_str());
    if (m_index == 0)
        return;
    UniqueFd socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!socket.valid())
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK;
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        return;
    m_socket = std::move(socket);
}

bool LinkWatch::wentDown()
{
    if (m_down || !m_socket.valid())
        return m_down;
    alignas(nlmsghdr) char buffer[8192];
    for (;;) {
        sockaddr_nl from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = recvfrom(m_socket.get(), buffer, sizeof buffer, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            // ENOBUFS: announcements were lost, so the state is unknown; ask
            // the interface directly.
            if (errno == ENOBUFS) {
                if (!interfaceIsUp(m_index))
                    m_down = true;
                continue;
            }
            if (errno == EINTR)
                continue;
            return m_down;  // EAGAIN: nothing more for now
        }
        if (from.nl_pid != 0)
            continue;  // only the kernel speaks for the links
        int left = static_cast<int>(got);
        for (const nlmsghdr* message = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(message, left);
             message = NLMSG_NEXT(message, left)) {
            if (message->nlmsg_type != RTM_NEWLINK && message->nlmsg_type != RTM_DELLINK)
                continue;
            if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
                continue;
            const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
            if (link->ifi_index < 0 || static_cast<unsigned>(link->ifi_index) != m_index)
                continue;
            if (message->nlmsg_type == RTM_DELLINK || !(link->ifi_flags & IFF_UP))
                m_down = true;
        }
    }
}

}  // namespace zorvik::ipx
