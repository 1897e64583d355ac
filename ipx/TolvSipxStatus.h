#pragma once

// Status results of the IPX library. 0 is success; every failure has the top
// bit set (negative as a 32-bit signed number). docs/status-codes.md explains
// each one with its fix.

#include "TolvSipx.h"

// Success: the operation was done (for the completion check: the receive completed).
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_SUCCESS = 0;
// The completion check's answer while a posted receive is still waiting.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_PENDING = 1;

inline constexpr TOLVSIPX_STATUS tolvSipxFailure(std::uint32_t code)
{
    return static_cast<TOLVSIPX_STATUS>(0x80000000u | code);
}

// The TOLVSIPX environment variable names no known transport or is malformed.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_BAD_CONFIGURATION = tolvSipxFailure(0x01);
// Live capture refused by the system: the program lacks CAP_NET_RAW.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_NO_PERMISSION = tolvSipxFailure(0x02);
// eth:IFNAME names an interface that does not exist.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_NO_SUCH_INTERFACE = tolvSipxFailure(0x03);
// The interface is down at open, or went down or disappeared during a run.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_INTERFACE_DOWN = tolvSipxFailure(0x04);
// Live capture could not be started for another reason (libpcap error).
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_CAPTURE_FAILED = tolvSipxFailure(0x05);
// file:/replay: path cannot be opened for reading (missing, no access, a folder).
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_FILE_UNREADABLE = tolvSipxFailure(0x06);
// The file is not a pcap or pcapng capture (or is empty, or its header is cut short).
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_NOT_A_CAPTURE = tolvSipxFailure(0x07);
// The capture or interface carries a link type other than Ethernet or Linux cooked.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_UNSUPPORTED_LINK_TYPE = tolvSipxFailure(0x08);
// dosbox:HOST names a host that cannot be resolved to an IPv4 address.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_HUB_NOT_FOUND = tolvSipxFailure(0x09);
// The hub did not answer the registration (nothing listening, or no reply in time).
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_HUB_UNREACHABLE = tolvSipxFailure(0x0A);
// The hub went away during a run.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_HUB_GONE = tolvSipxFailure(0x0B);
// The socket number is already open in this process.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_SOCKET_ALREADY_OPEN = tolvSipxFailure(0x0C);
// The socket handle is not (or no longer) open.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_NO_SUCH_SOCKET = tolvSipxFailure(0x0D);
// A null pointer, an unknown control block, no fragment, or unsupported flags.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_BAD_ARGUMENTS = tolvSipxFailure(0x0E);
// Memory or descriptors ran out.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_OUT_OF_RESOURCES = tolvSipxFailure(0x0F);
// The completion check was asked about a block with no receive posted.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_NO_RECEIVE_POSTED = tolvSipxFailure(0x10);
// An operating-system call failed unexpectedly while setting up the transport.
inline constexpr TOLVSIPX_STATUS TOLVSIPX_STATUS_SYSTEM_ERROR = tolvSipxFailure(0x11);
