#pragma once

// Hooks for tests: make the next call of an operation fail with a chosen
// status, break a socket's transport, shorten the DOSBox client's timers.
// Not for use by the program itself.

#include "TolvSipx.h"

extern "C" {

enum TolvSipxOperation : std::int32_t {
    TolvSipxOpOpenSocket = 0,
    TolvSipxOpAllocControlBlock = 1,
    TolvSipxOpReceiveDatagram = 2,
    TolvSipxOpCheckCompletion = 3,
    TolvSipxOpCount = 4,
};

// The next call of op returns status and does nothing else. One shot.
void TolvSipxTestFailNext(TolvSipxOperation op, TOLVSIPX_STATUS status);

// Forgets every pending injection and restores the default timers.
void TolvSipxTestReset();

// Makes the socket's transport die now with status, as if the interface had
// gone down or the hub had gone away.
void TolvSipxTestBreakTransport(std::uint32_t socketHandle, TOLVSIPX_STATUS status);

// DOSBox client timers in milliseconds (0 keeps a value): how long open waits
// for the registration answer, and the keepalive period.
void TolvSipxTestSetDosboxTimers(std::uint32_t registrationMs, std::uint32_t keepaliveMs);

}  // extern "C"
