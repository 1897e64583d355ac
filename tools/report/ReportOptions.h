#pragma once

#include <optional>
#include <string>
#include <vector>

namespace report {

// What the command line asks for. An empty output or "-" means standard output.
struct ReportOptions {
    std::optional<double> durationSeconds;
    std::optional<std::string> transport;  // replaces TOLVSIPX for this run
    int sortColumn = -1;                   // -1: gathering order (newest first)
    std::string output = "-";
    bool help = false;
};

// False with a one-line reason in error for anything unknown, missing or malformed.
bool ParseReportOptions(const std::vector<std::string>& args, ReportOptions& options, std::string& error);

// The sort column for a --sort value (name 0, type 1, address 2, hops 3), or -1.
int SortColumnFromName(const std::string& name);

const char* ReportUsage();

}  // namespace report
