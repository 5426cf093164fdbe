// qeva-host: a headless Flutter host that plays Dart against the QevaFlutter plugin.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"

int main(int argc, char** argv) {
  // Whole lines as they come, also into a pipe: a reader (jq, a CI log) sees every event at
  // once, and a signal never leaves half an object behind.
  std::setvbuf(stdout, nullptr, _IOLBF, 1 << 16);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  QevaHost::CommandLine command_line;
  std::string error;
  if (!QevaHost::ParseCommandLine(arguments, &command_line, &error)) {
    std::cerr << "qeva-host: " << error << "\nTry 'qeva-host --help'.\n";
    return 2;
  }
  const bool colour = isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr;
  return QevaHost::RunHost(command_line, std::cout, std::cerr, colour);
}
