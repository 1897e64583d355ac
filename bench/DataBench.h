#pragma once

#include <string>

// The service data alone: datagrams from the IPX library's file transport,
// decoded and added to the table in a list control that has no window.
void MeasureDataPath(const std::string& capturePath);

// Sort by each column and Clear on a list of the given number of rows; label
// (empty, or ending in '.') prefixes the figure names.
void MeasureSortAndClear(int rows, const std::string& label);
