#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) < 0 || ::pipe2(err, O_CLOEXEC) < 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

ChildProcess::~ChildProcess() {
    if (!m_exited && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
        ::close(m_out);
    if (m_err >= 0)
        ::close(m_err);
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto newline = m_pending.find('\n'); newline != std::string::npos) {
            std::string line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd descriptor{m_out, POLLIN, 0};
        if (::poll(&descriptor, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char buffer[4096];
        const ssize_t got = ::read(m_out, buffer, sizeof buffer);
        if (got <= 0)
            return std::nullopt;
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

void ChildProcess::signal(int number) const {
    ::kill(m_pid, number);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_exited = true;
            return status;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        // Keep standard output drained so a chatty child never blocks on a full pipe.
        char buffer[4096];
        pollfd descriptor{m_out, POLLIN, 0};
        if (::poll(&descriptor, 1, 10) > 0 && ::read(m_out, buffer, sizeof buffer) > 0)
            continue;
    }
}

std::string ChildProcess::errorOutput() {
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(m_err, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}
