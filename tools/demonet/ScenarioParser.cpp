#include "ScenarioParser.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "ScenarioError.h"

namespace demonet {

namespace {

// A SAP name field holds 47 characters and the terminating NUL.
constexpr std::size_t kMaxNameLength = 47;
// Delays longer than this are almost certainly typos (about eleven days).
constexpr double kMaxSeconds = 1'000'000.0;

struct Token {
    std::string text;
    bool quoted = false;
};

class LineReader {
public:
    LineReader(const std::string& fileName, int line) : m_fileName(fileName), m_line(line) {}

    [[noreturn]] void fail(const std::string& message) const {
        throw ScenarioError(m_fileName, m_line, message);
    }

    // Splits a line into words and "quoted names"; '#' outside quotes starts a comment.
    std::vector<Token> tokenize(std::string_view line) const {
        std::vector<Token> tokens;
        std::size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                const std::size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos)
                    fail("unterminated quoted name");
                tokens.push_back({std::string(line.substr(i + 1, close - i - 1)), true});
                i = close + 1;
                if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                    fail("expected a space after the quoted name");
            } else {
                std::size_t end = i;
                while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r')
                    ++end;
                tokens.push_back({std::string(line.substr(i, end - i)), false});
                i = end;
            }
        }
        return tokens;
    }

    std::string name(const std::vector<Token>& tokens, const char* what) const {
        if (tokens.size() < 2 || (!tokens[1].quoted && tokens[1].text.find('=') != std::string::npos))
            fail(std::string(what) + " needs a name");
        const std::string& text = tokens[1].text;
        if (text.empty())
            fail("name must not be empty");
        if (text.size() > kMaxNameLength)
            fail("name '" + text + "' is " + std::to_string(text.size()) + " characters long; at most " +
                 std::to_string(kMaxNameLength) + " fit");
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                fail("name '" + text + "' may hold printable ASCII characters only");
        }
        return text;
    }

    // key=value settings after the name; each key at most once, only known keys.
    std::map<std::string, std::string> settings(const std::vector<Token>& tokens,
                                                std::initializer_list<const char*> known,
                                                const char* what) const {
        std::map<std::string, std::string> result;
        for (std::size_t k = 2; k < tokens.size(); ++k) {
            const Token& token = tokens[k];
            const std::size_t eq = token.text.find('=');
            if (token.quoted || eq == std::string::npos || eq == 0)
                fail("expected key=value, got '" + token.text + "'");
            std::string key = token.text.substr(0, eq);
            bool isKnown = false;
            for (const char* candidate : known)
                isKnown = isKnown || key == candidate;
            if (!isKnown)
                fail("unknown setting '" + key + "' for a " + what);
            if (result.count(key))
                fail("'" + key + "' given twice");
            result.emplace(std::move(key), token.text.substr(eq + 1));
        }
        return result;
    }

    template <std::size_t N>
    std::array<std::uint8_t, N> hexBytes(const std::string& value, const char* key) const {
        std::array<std::uint8_t, N> bytes{};
        bool ok = value.size() == 2 * N;
        for (std::size_t k = 0; ok && k < N; ++k) {
            const auto [ptr, ec] = std::from_chars(value.data() + 2 * k, value.data() + 2 * k + 2, bytes[k], 16);
            ok = ec == std::errc() && ptr == value.data() + 2 * k + 2;
        }
        if (!ok)
            fail(std::string(key) + " must be " + std::to_string(2 * N) + " hex digits, got '" + value + "'");
        return bytes;
    }

    std::uint16_t hexWord(const std::string& value, const char* key) const {
        unsigned number = 0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), number, 16);
        if (value.empty() || value.size() > 4 || ec != std::errc() || ptr != value.data() + value.size())
            fail(std::string(key) + " must be 1 to 4 hex digits, got '" + value + "'");
        return static_cast<std::uint16_t>(number);
    }

    std::uint16_t decimalWord(const std::string& value, const char* key) const {
        unsigned number = 0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), number, 10);
        if (value.empty() || ec != std::errc() || ptr != value.data() + value.size() || number > 0xFFFF)
            fail(std::string(key) + " must be a whole number from 0 to 65535, got '" + value + "'");
        return static_cast<std::uint16_t>(number);
    }

    double seconds(const std::string& value, const char* key) const {
        double number = 0.0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), number,
                                               std::chars_format::fixed);
        if (value.empty() || ec != std::errc() || ptr != value.data() + value.size() || !std::isfinite(number) ||
            number < 0.0 || number > kMaxSeconds)
            fail(std::string(key) + " must be a number of seconds from 0 to 1000000, got '" + value + "'");
        return number;
    }

    const std::string& required(const std::map<std::string, std::string>& settings, const char* key,
                                const std::string& owner) const {
        const auto it = settings.find(key);
        if (it == settings.end())
            fail(owner + " needs " + key + "=");
        return it->second;
    }

private:
    const std::string& m_fileName;
    int m_line;
};

}  // namespace

ScenarioParser::ScenarioParser(std::string fileName) : m_fileName(std::move(fileName)) {}

Scenario ScenarioParser::parse(std::string_view text) const {
    Scenario scenario;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;

        const LineReader reader(m_fileName, lineNumber);
        if (line.find('\0') != std::string_view::npos)
            reader.fail("the line holds a NUL byte");
        const std::vector<Token> tokens = reader.tokenize(line);
        if (tokens.empty())
            continue;
        const Token& keyword = tokens[0];

        if (!keyword.quoted && keyword.text == "server") {
            if (!scenario.servers.empty() && scenario.servers.back().services.empty()) {
                const ScenarioServer& previous = scenario.servers.back();
                throw ScenarioError(m_fileName, previous.line, "server '" + previous.name + "' has no services");
            }
            ScenarioServer server;
            server.line = lineNumber;
            server.name = reader.name(tokens, "a server");
            const auto settings = reader.settings(tokens, {"network", "node", "start"}, "server");
            const std::string owner = "server '" + server.name + "'";
            server.network = reader.hexBytes<4>(reader.required(settings, "network", owner), "network");
            server.node = reader.hexBytes<6>(reader.required(settings, "node", owner), "node");
            if (const auto it = settings.find("start"); it != settings.end())
                server.startSeconds = reader.seconds(it->second, "start");
            scenario.servers.push_back(std::move(server));
        } else if (!keyword.quoted && keyword.text == "service") {
            if (scenario.servers.empty())
                reader.fail("service before any server: put a 'server' line first");
            ScenarioService service;
            service.line = lineNumber;
            service.name = reader.name(tokens, "a service");
            const auto settings = reader.settings(tokens, {"type", "socket", "hops", "down"}, "service");
            const std::string owner = "service '" + service.name + "'";
            service.type = reader.hexWord(reader.required(settings, "type", owner), "type");
            service.socket = reader.hexWord(reader.required(settings, "socket", owner), "socket");
            if (const auto it = settings.find("hops"); it != settings.end())
                service.hops = reader.decimalWord(it->second, "hops");
            if (const auto it = settings.find("down"); it != settings.end())
                service.downAfterSeconds = reader.seconds(it->second, "down");
            scenario.servers.back().services.push_back(std::move(service));
        } else {
            reader.fail("unknown keyword '" + keyword.text + "' (expected 'server' or 'service')");
        }
    }

    if (scenario.servers.empty())
        throw ScenarioError(m_fileName, 0, "no servers in the scenario");
    if (scenario.servers.back().services.empty()) {
        const ScenarioServer& last = scenario.servers.back();
        throw ScenarioError(m_fileName, last.line, "server '" + last.name + "' has no services");
    }
    return scenario;
}

Scenario ScenarioParser::parseFile(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw ScenarioError(path, 0, "is a directory, not a scenario file");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        throw ScenarioError(path, 0, std::string("cannot open: ") + std::strerror(error));
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw ScenarioError(path, 0, "cannot read the file");
    return ScenarioParser(path).parse(content.str());
}

}  // namespace demonet
