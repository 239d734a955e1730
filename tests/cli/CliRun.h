#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvalen::test {

// What one korvalen-cli command gave: its exit code and what it printed.
struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline CliResult RunArgs(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CliResult result;
    result.code = cli::RunCli(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

}  // namespace korvalen::test
