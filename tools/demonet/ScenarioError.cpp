#include "ScenarioError.h"

namespace demonet {

namespace {

std::string Compose(const std::string& fileName, int line, const std::string& message) {
    if (line > 0)
        return fileName + ":" + std::to_string(line) + ": " + message;
    return fileName + ": " + message;
}

}  // namespace

ScenarioError::ScenarioError(const std::string& fileName, int line, const std::string& message)
    : std::runtime_error(Compose(fileName, line, message)),
      m_fileName(fileName),
      m_line(line),
      m_message(message) {}

}  // namespace demonet
