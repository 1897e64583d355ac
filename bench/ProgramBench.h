#pragma once

#include <string>

// Copies a capture and adds one SAP response naming kEndMarker at its end, so
// that the whole-program run can tell when the capture is exhausted. False
// when the capture cannot be read or is not Ethernet.
inline constexpr char kEndMarker[] = "~ZORVIK-BENCH-END~";
bool WriteMarkedCapture(const std::string& source, const std::string& marked);

// The real main window (offscreen), Start on TOLVSIPX=file:marked, every
// datagram followed by the pump and idle processing, until the marker arrives.
// Returns datagrams per second given the capture's SAP datagram count.
double MeasureProgram(const std::string& marked, long datagrams);

// Posts Stop at several points of a storm and times it until the run returns.
void MeasureStopLatency(const std::string& marked);
