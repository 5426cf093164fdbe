#ifndef QEVA_HOST_COMMANDLINE_H_
#define QEVA_HOST_COMMANDLINE_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// qeva-host's command line and its whole run, so that tests can run the tool in-process.
namespace QevaHost {

// The seed of ad-space ids unless --seed says otherwise.
constexpr uint64_t kDefaultSeed = 1;

struct CommandLine {
  std::string scenario;   // Empty: the built-in scenario.
  std::string inventory;  // Replaces the scenario's inventory when set.
  uint64_t seed = kDefaultSeed;
  bool realTime = false;
  bool json = false;
  bool verbose = false;
  bool noColour = false;
  bool help = false;
  bool listActions = false;
  // Wire mode (WireServer.h): over standard input and output, or on a loopback port (-1:
  // none; 0: one the system picks); |once| ends the port after its first client.
  bool wire = false;
  int wirePort = -1;
  bool once = false;
};

// Reads |arguments| (without the program name). False, with |error|, on an unknown option,
// a missing or malformed value, more than one scenario, or options that do not go together.
bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine* out,
                      std::string* error);

// The manual page --help prints.
std::string HelpText();

// Runs the tool: the transcript goes to |out|, problems to |err|. |colour| allows ANSI
// colour in text output. Returns the exit status: 0 passed, 1 an expectation failed or a
// step could not run, 2 bad command line or scenario (nothing ran). Wire mode serves the
// process's own standard input and output, or a port, instead (WireServer.h).
int RunHost(const CommandLine& command_line, std::ostream& out, std::ostream& err, bool colour);

}  // namespace QevaHost

#endif  // QEVA_HOST_COMMANDLINE_H_
