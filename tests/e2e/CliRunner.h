#pragma once
// Runs the real ruvex-cli and captures what it printed.
#include <string>
#include <vector>

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult RunCli(const std::vector<std::string>& arguments, int timeoutSeconds = 120);

// Every regular file below `folder`, by path relative to it, with its SHA-256.
std::vector<std::pair<std::string, std::string>> HashTree(const std::string& folder);
