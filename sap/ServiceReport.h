#pragma once

#include <span>
#include <string>

#include "sap/ServiceItem.h"

namespace sap {

// The fixed-width report of the given rows, in the order given: header, rule,
// one line per row, two empty lines and the closing count. Lines end in CR LF,
// except the last, which ends the file.
std::string FormatReport(std::span<const ServiceItem* const> rows, int serviceCount);

// One data line, without its line break.
std::string FormatReportLine(const ServiceItem& item);

}  // namespace sap
