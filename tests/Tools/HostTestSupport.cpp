#include "HostTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

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
  const std::string err_path = ::testing::TempDir() + "qeva-host.stderr";
  const std::string command =
      std::string(QEVA_HOST_EXECUTABLE) + " " + arguments + " 2>'" + err_path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return run;
  }
  char buffer[4096];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
    run.out.append(buffer, read);
  }
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(err_path);
  return run;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
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
