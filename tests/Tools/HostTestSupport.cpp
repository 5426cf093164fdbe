#include "HostTestSupport.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <process.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "CommandLine.h"

namespace QevaHost::testing {

HostRun RunInProcess(const std::vector<std::string>& arguments, bool colour) {
  HostRun run;
  CommandLine command_line;
  std::string error;
  if (!ParseCommandLine(arguments, &command_line, &error)) {
    run.status = 2;
    run.err = error;
    return run;
  }
  std::ostringstream out;
  std::ostringstream err;
  run.status = RunHost(command_line, out, err, colour);
  run.out = out.str();
  run.err = err.str();
  return run;
}

HostRun RunExecutable(const std::string& arguments) {
  HostRun run;
  const std::string err_path = TempFolder() + "qeva-host.stderr";
  // Double quotes read the same to sh and to cmd.exe; cmd /c drops the outer pair of a line
  // that starts with a quote, hence one pair more there. The output is read in binary mode,
  // so that a "\r" the tool wrote is seen.
#if defined(_WIN32)
  const std::string command =
      "\"\"" + std::string(QEVA_HOST_EXECUTABLE) + "\" " + arguments + " 2>\"" + err_path + "\"\"";
  FILE* pipe = _popen(command.c_str(), "rb");
#else
  const std::string command =
      "\"" + std::string(QEVA_HOST_EXECUTABLE) + "\" " + arguments + " 2>\"" + err_path + "\"";
  FILE* pipe = popen(command.c_str(), "r");
#endif
  if (pipe == nullptr) {
    return run;
  }
  char buffer[4096];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
    run.out.append(buffer, read);
  }
#if defined(_WIN32)
  run.status = _pclose(pipe);
#else
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  run.err = ReadFile(err_path);
  return run;
}

#if !defined(_WIN32)

HostProcess::HostProcess(const std::vector<std::string>& arguments) {
  std::signal(SIGPIPE, SIG_IGN);
  int input[2];
  int output[2];
  int errors[2];
  if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0 ||
      pipe2(errors, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2 failed";
    return;
  }
  std::vector<std::string> words = {QEVA_HOST_EXECUTABLE};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    dup2(errors[1], STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  close(errors[1]);
  to_host_ = input[1];
  from_host_ = output[0];
  errors_ = errors[0];
}

HostProcess::~HostProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {to_host_, from_host_, errors_}) {
    if (fd >= 0) {
      close(fd);
    }
  }
}

void HostProcess::CloseInput() {
  if (to_host_ >= 0) {
    close(to_host_);
    to_host_ = -1;
  }
}

std::string HostProcess::WaitForErrorLine(const std::string& prefix) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    for (size_t end = error_text_.find('\n'); end != std::string::npos;
         end = error_text_.find('\n')) {
      const std::string line = error_text_.substr(0, end);
      error_text_.erase(0, end + 1);
      if (line.rfind(prefix, 0) == 0) {
        return line.substr(prefix.size());
      }
    }
    pollfd readable{errors_, POLLIN, 0};
    char buffer[256];
    ssize_t got = 0;
    if (poll(&readable, 1, 100) > 0 && (got = read(errors_, buffer, sizeof(buffer))) <= 0) {
      break;
    }
    error_text_.append(buffer, static_cast<size_t>(got));
  }
  return "";
}

void HostProcess::Signal(int signal) {
  if (pid_ > 0) {
    kill(pid_, signal);
  }
}

int HostProcess::Wait() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (pid_ > 0) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return -1;  // The destructor kills it.
}
#endif  // !_WIN32

std::string TempFolder() {
  // ctest runs tests in parallel processes that share the temporary folder: each process
  // writes its files in a folder of its own.
  static const std::string folder = [] {
#if defined(_WIN32)
    const int process = _getpid();
#else
    const int process = getpid();
#endif
    std::string path = ::testing::TempDir() + "qeva-host-tests-" + std::to_string(process) + "/";
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = TempFolder() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string Example(const std::string& name) {
  return std::string(QEVA_EXAMPLES_DIR) + "/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Block(const std::string& text, const std::string& heading) {
  std::vector<std::string> block;
  bool inside = false;
  for (const std::string& line : Lines(text)) {
    if (inside && line.empty()) {
      break;
    }
    if (inside) {
      block.push_back(line);
    }
    inside = inside || line == heading;
  }
  return block;
}

std::vector<nlohmann::json> Events(const std::string& out, const std::string& type) {
  std::vector<nlohmann::json> events;
  for (const std::string& line : Lines(out)) {
    nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
    if (!event.is_discarded() && event.value("type", "") == type) {
      event.erase("time");
      events.push_back(std::move(event));
    }
  }
  return events;
}

std::string WithoutIds(const std::string& text) {
  static const std::regex kId(
      "[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  return std::regex_replace(text, kId, "<id>");
}

}  // namespace QevaHost::testing
