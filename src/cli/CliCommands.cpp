#include "cli/CliCommands.h"

#include <ostream>

namespace korvalen::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    err << "usage: korvalen-cli COMMAND ...\n";
    return 2;
}

}  // namespace korvalen::cli
