#pragma once

#include <functional>
#include <string>

// Figures are printed one per line as "NAME: VALUE UNIT" so scripts can read them.
void PrintFigure(const std::string& name, double value, const std::string& unit);

// Runs work several times and returns the median of its wall-clock seconds.
double MedianSeconds(int runs, const std::function<void()>& work);

double NowSeconds();
long PeakResidentBytes();
long CurrentResidentBytes();
