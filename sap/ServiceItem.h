#pragma once

#include <cstdint>
#include <string>

// The record behind one row of the service list. Owned by its row: created when
// the row is added, destroyed only when the records are released.
struct ServiceItem {
    std::string name;        // as advertised, up to 48 bytes of 8-bit text
    std::uint32_t type = 0;  // 16-bit service type, 0 to 65535
    std::string address;     // "NNNNNNNN:NNNNNNNNNNNN:SSSS", always 26 characters
    std::uint16_t hops = 0;
};
