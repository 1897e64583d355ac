#pragma once

#include <string>

#include "TolvSipx.h"

namespace report {

// A short meaning of an IPX library status, for error messages.
const char* StatusMeaning(TOLVSIPX_STATUS status);

// "status 80000006 (capture file unreadable)"
std::string DescribeStatus(TOLVSIPX_STATUS status);

}  // namespace report
