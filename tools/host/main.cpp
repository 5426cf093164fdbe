// qeva-host: a headless Flutter host that plays Dart against the QevaFlutter plugin.
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace {

bool StdoutIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stdout)) != 0;
#else
  return isatty(STDOUT_FILENO) == 1;
#endif
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Transcripts are the same bytes on every system: no "\r" before each "\n".
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
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
  const bool colour = StdoutIsTerminal() && std::getenv("NO_COLOR") == nullptr;
  return QevaHost::RunHost(command_line, std::cout, std::cerr, colour);
}
