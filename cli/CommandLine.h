#pragma once
// A command's arguments, taken option by option. Whatever is wrong (an
// option without its value, an empty value, an argument nobody took) is
// kept as one message, so that each command line error says what is wrong.
#include <optional>
#include <string>
#include <vector>

class CommandLine {
public:
    explicit CommandLine(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

    // The value after `name`, taken out; nullopt when the option is absent.
    // A missing or empty value is an error that names `what` the option takes.
    std::optional<std::string> Option(const std::string& name, const std::string& what);
    // Every value of an option that may be repeated.
    std::vector<std::string> Options(const std::string& name, const std::string& what);
    bool Flag(const std::string& name);

    void Fail(const std::string& message);
    // The first error, or an argument nobody took; empty when all is well.
    // Call after every option has been taken.
    std::string Error() const;

private:
    std::vector<std::string> m_arguments;
    std::string m_error;
};
