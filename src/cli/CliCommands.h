#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace korvalen::cli {

// Runs one command of korvalen-cli; gives the process exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvalen::cli
