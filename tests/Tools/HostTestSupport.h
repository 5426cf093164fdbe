#ifndef QEVA_FLUTTER_TESTS_TOOLS_HOSTTESTSUPPORT_H_
#define QEVA_FLUTTER_TESTS_TOOLS_HOSTTESTSUPPORT_H_

#if !defined(_WIN32)
#include <sys/types.h>
#endif

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Runs qeva-host for tests, in-process through its library or as the built executable, and
// picks its transcripts apart.
namespace QevaHost::testing {

struct HostRun {
  int status = -1;
  std::string out;
  std::string err;
};

// The tool's whole run in this process; |colour| as if stdout were a terminal.
HostRun RunInProcess(const std::vector<std::string>& arguments, bool colour = false);
// The built executable, with stdout and stderr captured; |arguments| go through the shell.
HostRun RunExecutable(const std::string& arguments);

#if !defined(_WIN32)
// The built executable as a child process, its standard streams on pipes: for wire mode, which
// Windows builds go without.
// SIGPIPE is ignored from the first start on, so that writing to a host that has gone fails
// instead of ending the test.
class HostProcess {
 public:
  explicit HostProcess(const std::vector<std::string>& arguments);
  // Kills the host if it still runs, and closes the pipes.
  ~HostProcess();

  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  int to_host() const { return to_host_; }
  int from_host() const { return from_host_; }
  // Ends the host's standard input.
  void CloseInput();
  // Reads standard error until a line starting with |prefix| (at most 5 s) and returns the
  // rest of that line, or "" when none came.
  std::string WaitForErrorLine(const std::string& prefix);
  void Signal(int signal);
  // The exit status, waiting at most 5 s (then the host is killed and -1 returned).
  int Wait();

 private:
  pid_t pid_ = -1;
  int to_host_ = -1;
  int from_host_ = -1;
  int errors_ = -1;
  std::string error_text_;
};
#endif

// Writes |text| to |name| in the test's temporary directory and returns the path.
// A folder for this test process's temporary files, ending in "/".
std::string TempFolder();
std::string WriteTemp(const std::string& name, const std::string& text);
// A file of examples/.
std::string Example(const std::string& name);
// The contents of |path|, or "" when it cannot be read.
std::string ReadFile(const std::string& path);

std::vector<std::string> Lines(const std::string& text);
// The lines after the line |heading| up to the next empty line.
std::vector<std::string> Block(const std::string& text, const std::string& heading);
// The events of type |type| of a --json transcript, "time" left out.
std::vector<nlohmann::json> Events(const std::string& out, const std::string& type);
// |text| with every ad-space id (a 36-character upper-case UUID) replaced by "<id>".
std::string WithoutIds(const std::string& text);

}  // namespace QevaHost::testing

#endif  // QEVA_FLUTTER_TESTS_TOOLS_HOSTTESTSUPPORT_H_
