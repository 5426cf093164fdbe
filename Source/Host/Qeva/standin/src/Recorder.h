#ifndef QEVA_STANDIN_SRC_RECORDER_H_
#define QEVA_STANDIN_SRC_RECORDER_H_

#include <string>
#include <utility>
#include <vector>

#include "QevaStandIn/Journal.h"

namespace QevaStandIn {

inline JournalEntry Entry(JournalEntry::Kind kind, std::string subject, std::string operation,
                          std::vector<std::string> arguments = {}, std::string result = {}) {
  return JournalEntry{kind, std::move(subject), std::move(operation), std::move(arguments),
                      std::move(result)};
}

// A call that builds one journal entry, borrowed for the length of Recorder::Record(): the
// entry's text is formatted only when it is recorded. Converts from any callable returning a
// JournalEntry, so that call sites pass a lambda.
class EntryMaker {
 public:
  template <typename Make>
  EntryMaker(const Make& make)  // NOLINT(google-explicit-constructor): a lambda at every call.
      : make_(&make), call_([](const void* make) { return (*static_cast<const Make*>(make))(); }) {}

  JournalEntry operator()() const { return call_(make_); }

 private:
  const void* make_;
  JournalEntry (*call_)(const void* make);
};

// Where the stand-in's SDK objects journal their calls. While recording is off it is the
// null recorder, which never builds the entry.
class Recorder {
 public:
  virtual ~Recorder() = default;
  virtual void Record(EntryMaker make) = 0;
};

class NullRecorder final : public Recorder {
 public:
  void Record(EntryMaker) override {}
};

// Records into |journal|, which must outlive it.
class JournalRecorder final : public Recorder {
 public:
  explicit JournalRecorder(Journal* journal) : journal_(journal) {}
  void Record(EntryMaker make) override { journal_->record(make()); }

 private:
  Journal* journal_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_SRC_RECORDER_H_
