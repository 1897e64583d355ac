#include "StatusText.h"

#include <cstdio>

#include "TolvSipxStatus.h"

namespace report {

const char* StatusMeaning(TOLVSIPX_STATUS status) {
    switch (status) {
        case TOLVSIPX_STATUS_SUCCESS: return "success";
        case TOLVSIPX_STATUS_PENDING: return "receive still pending";
        case TOLVSIPX_STATUS_BAD_CONFIGURATION: return "TOLVSIPX names no known transport or is malformed";
        case TOLVSIPX_STATUS_NO_PERMISSION: return "live capture not permitted: the program lacks CAP_NET_RAW";
        case TOLVSIPX_STATUS_NO_SUCH_INTERFACE: return "no such network interface";
        case TOLVSIPX_STATUS_INTERFACE_DOWN: return "network interface is down or went away";
        case TOLVSIPX_STATUS_CAPTURE_FAILED: return "live capture could not be started";
        case TOLVSIPX_STATUS_FILE_UNREADABLE: return "capture file unreadable";
        case TOLVSIPX_STATUS_NOT_A_CAPTURE: return "not a pcap or pcapng capture";
        case TOLVSIPX_STATUS_UNSUPPORTED_LINK_TYPE: return "capture link type is not Ethernet or Linux cooked";
        case TOLVSIPX_STATUS_HUB_NOT_FOUND: return "DOSBox hub host cannot be resolved";
        case TOLVSIPX_STATUS_HUB_UNREACHABLE: return "DOSBox hub did not answer";
        case TOLVSIPX_STATUS_HUB_GONE: return "DOSBox hub went away";
        case TOLVSIPX_STATUS_SOCKET_ALREADY_OPEN: return "socket already open";
        case TOLVSIPX_STATUS_NO_SUCH_SOCKET: return "socket not open";
        case TOLVSIPX_STATUS_BAD_ARGUMENTS: return "bad arguments to the IPX library";
        case TOLVSIPX_STATUS_OUT_OF_RESOURCES: return "out of memory or descriptors";
        case TOLVSIPX_STATUS_NO_RECEIVE_POSTED: return "no receive posted";
        case TOLVSIPX_STATUS_SYSTEM_ERROR: return "system call failed";
        default: return "unknown status";
    }
}

std::string DescribeStatus(TOLVSIPX_STATUS status) {
    char text[160];
    std::snprintf(text, sizeof text, "status %08X (%s)", static_cast<unsigned>(static_cast<std::uint32_t>(status)),
                  StatusMeaning(status));
    return text;
}

}  // namespace report
