#pragma once

#include <ostream>
#include <span>
#include <string>

namespace korvalen::cli {

// "rotate IN OUT --angle DEG" and "cut IN OUT --rect LEFT,TOP,RIGHT,BOTTOM".
int RunRotate(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int RunCut(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace korvalen::cli
