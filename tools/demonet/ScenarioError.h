#pragma once

#include <stdexcept>
#include <string>

namespace demonet {

// A scenario that cannot be used; what() reads "FILE:LINE: message"
// (or "FILE: message" when no single line is at fault).
class ScenarioError : public std::runtime_error {
public:
    ScenarioError(const std::string& fileName, int line, const std::string& message);

    const std::string& fileName() const { return m_fileName; }
    int line() const { return m_line; }
    const std::string& message() const { return m_message; }

private:
    std::string m_fileName;
    int m_line;
    std::string m_message;
};

}  // namespace demonet
