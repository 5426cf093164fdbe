#include "QevaStandIn/LogSink.h"

#include <cstdio>
#include <utility>

namespace QevaStandIn {

std::string LogLine::ToString() const {
  return Summary() + " (" + file + ":" + std::to_string(line) + ")";
}

std::string LogLine::Summary() const {
  return std::string("[") + Qeva::QevaLogTypeName(level) + "] " + function + ": " + message;
}

bool LogLine::operator==(const LogLine& other) const {
  return level == other.level && message == other.message && function == other.function &&
         file == other.file && line == other.line;
}

void LogSink::write(LogLine line) {
  if (!keep_lines_) {
    if (echo_) {
      std::fprintf(stderr, "%s\n", line.ToString().c_str());
    }
    if (listener_) {
      listener_(line);
    }
    return;
  }
  if (capacity_ > 0 && lines_.size() >= 2 * capacity_) {
    lines_.erase(lines_.begin(),
                 lines_.begin() + static_cast<std::ptrdiff_t>(lines_.size() - capacity_ + 1));
  }
  lines_.push_back(std::move(line));
  const LogLine& kept = lines_.back();
  if (echo_) {
    std::fprintf(stderr, "%s\n", kept.ToString().c_str());
  }
  if (listener_) {
    LogLine copy = kept;  // The listener may write again and move lines_.
    listener_(copy);
  }
}

std::vector<std::string> LogSink::summaries() const {
  std::vector<std::string> summaries;
  summaries.reserve(lines_.size());
  for (const LogLine& line : lines_) {
    summaries.push_back(line.Summary());
  }
  return summaries;
}

void LogSink::reset() {
  lines_.clear();
  echo_ = true;
  keep_lines_ = true;
  capacity_ = 0;
  listener_ = nullptr;
}

}  // namespace QevaStandIn
