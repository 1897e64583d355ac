#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// Runs a program with its standard output and error on pipes, for tests that
// drive a real executable. The child is killed if the test forgets it.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output, or nothing if none came in time.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    void signal(int number) const;
    // Waits for the exit; returns the raw wait status, or nothing on timeout.
    std::optional<int> wait(std::chrono::milliseconds timeout);

    // Everything written to standard error, once the child has exited.
    std::string errorOutput();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_pending;
    bool m_exited = false;
};
