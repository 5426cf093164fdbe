#ifndef QEVA_STANDIN_LOGSINK_H_
#define QEVA_STANDIN_LOGSINK_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "Qeva/QevaLog.h"

namespace QevaStandIn {

// One line written through Qeva::log.
struct LogLine {
  Qeva::QevaLogType level = Qeva::QevaLogType::info;
  std::string message;
  std::string function;
  std::string file;
  int line = 0;

  // "[info] fun: message (file:line)".
  std::string ToString() const;
  // "[info] fun: message": the form to assert on, since source lines move with every edit.
  std::string Summary() const;
  bool operator==(const LogLine& other) const;
  bool operator!=(const LogLine& other) const { return !(*this == other); }
};

// Where Qeva::log writes. Keeps every line unless told not to, prints it on stderr unless
// told not to, and tells a listener. The stand-in itself never writes here: every line comes
// from the plugin.
class LogSink {
 public:
  // Called with each new line after it is kept; for tools.
  using Listener = std::function<void(const LogLine& line)>;

  void write(LogLine line);

  const std::vector<LogLine>& lines() const { return lines_; }
  // Summary() of every line, in order.
  std::vector<std::string> summaries() const;

  // Printing on stderr, on by default; tests switch it off.
  void setEcho(bool echo) { echo_ = echo; }
  bool echo() const { return echo_; }
  // Keeping lines in lines(), on by default; StandIn::setRecording switches it.
  void setKeepLines(bool keep) { keep_lines_ = keep; }
  bool keepLines() const { return keep_lines_; }
  // Whether write() would do anything with a line: Qeva::log builds none otherwise.
  bool wantsLines() const { return keep_lines_ || echo_ || listener_ != nullptr; }
  // Replaces the listener; nullptr removes it.
  void setListener(Listener listener) { listener_ = std::move(listener); }
  // Keeps at least the latest |capacity| lines and at most twice as many; 0, the default: all.
  void setCapacity(size_t capacity) { capacity_ = capacity; }

  // Forgets the lines; keeps echo and listener.
  void clear() { lines_.clear(); }
  // Forgets the lines, the listener and the capacity, and keeps and prints lines again.
  void reset();

 private:
  std::vector<LogLine> lines_;
  bool echo_ = true;
  bool keep_lines_ = true;
  size_t capacity_ = 0;
  Listener listener_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_LOGSINK_H_
