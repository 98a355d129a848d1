#include "tests/e2e/CliRunner.h"

#include "tests/support/TestVolumes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& arguments, int timeoutSeconds) {
    std::string folder = testing_support::MakeTempFolder("cli-run");
    std::string command = "timeout " + std::to_string(timeoutSeconds) + " " + Quote(RUVEX_CLI);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += " >" + Quote(folder + "/out") + " 2>" + Quote(folder + "/err") + " </dev/null";
    int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadAll(folder + "/out");
    result.err = ReadAll(folder + "/err");
    return result;
}

std::vector<std::pair<std::string, std::string>> HashTree(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file()) continue;
        files.emplace_back(std::filesystem::relative(it->path(), folder).string(),
                           testing_support::FileSha256(it->path().string()));
    }
    return files;
}
