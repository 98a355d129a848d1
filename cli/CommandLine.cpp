#include "cli/CommandLine.h"

#include <algorithm>

std::optional<std::string> CommandLine::Option(const std::string& name, const std::string& what) {
    auto it = std::find(m_arguments.begin(), m_arguments.end(), name);
    if (it == m_arguments.end()) return std::nullopt;
    if (it + 1 == m_arguments.end() || (it + 1)->rfind("--", 0) == 0) {
        Fail(name + " needs " + what);
        m_arguments.erase(it);
        return std::nullopt;
    }
    std::string value = *(it + 1);
    m_arguments.erase(it, it + 2);
    if (value.empty()) {
        Fail(name + " is empty; it needs " + what);
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> CommandLine::Options(const std::string& name, const std::string& what) {
    std::vector<std::string> values;
    while (std::find(m_arguments.begin(), m_arguments.end(), name) != m_arguments.end()) {
        if (auto value = Option(name, what)) values.push_back(*value);
    }
    return values;
}

bool CommandLine::Flag(const std::string& name) {
    auto it = std::find(m_arguments.begin(), m_arguments.end(), name);
    if (it == m_arguments.end()) return false;
    m_arguments.erase(it);
    return true;
}

void CommandLine::Fail(const std::string& message) {
    if (m_error.empty()) m_error = message;
}

std::string CommandLine::Error() const {
    if (!m_error.empty()) return m_error;
    if (!m_arguments.empty()) return "unexpected argument '" + m_arguments.front() + "'";
    return {};
}
