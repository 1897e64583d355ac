#pragma once

#include <string>

// libpcap reading every frame, finding the IPX payload and collecting the
// distinct names, nothing else: the speed nothing above it can beat.
// Returns SAP datagrams per second; sets datagrams to the SAP datagram count.
double MeasureFloor(const std::string& capturePath, long& datagrams);
