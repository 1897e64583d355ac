#include "bench/BenchReport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

void PrintFigure(const std::string& name, double value, const std::string& unit) {
    std::printf("%s: %.6g %s\n", name.c_str(), value, unit.c_str());
    std::fflush(stdout);
}

double NowSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double MedianSeconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = NowSeconds();
        work();
        times.push_back(NowSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

long CurrentResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}
