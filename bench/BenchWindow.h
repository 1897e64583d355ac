#pragma once

#include <functional>

class CServiceListDialog;
class QObject;

// The real main window for a timed run: created as the program creates it,
// and destroyed with everything it posted drained.
CServiceListDialog* NewMainWindow();
void CloseMainWindow(CServiceListDialog* main);

// Calls action once cond holds, checked from a 1 ms Qt timer owned by owner
// (Qt timers run while the window pumps between datagrams).
void When(QObject* owner, std::function<bool()> cond, std::function<void()> action);

// Calls check from a 1 ms timer owned by owner for as long as owner lives.
void Every(QObject* owner, std::function<void()> check);
