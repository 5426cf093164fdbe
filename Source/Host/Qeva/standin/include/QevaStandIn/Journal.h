#ifndef QEVA_STANDIN_JOURNAL_H_
#define QEVA_STANDIN_JOURNAL_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace QevaStandIn {

// One call across the SDK boundary, as the stand-in saw it.
//
// Text form (ToString): subject "." operation "(" arguments joined by ", " ")", then
// " -> " result when there is a result. Examples:
//   manager.initialize(accountId: 12, appId: 34, secretKey: "key", delegate: <QevaFlutter.X: 1>)
//   manager.createQevaAdSpace(tagId: "banner") -> adSpace#1
//   adSpace#1.setRefreshInterval(time: 30)
//   adSpace#1.showAd(container: <UIKit.UIView: 5> (subviews: 0))
//   adSpace#1.delegate.onAdReady()
//
// Each argument is "label: value". Values: strings in double quotes with \" \\ \n \r \t
// escaped (other control characters as \u{XX}); integers in decimal; true, false; nil for an
// absent value or object; lists as [a, b]; string maps as ["k": "v"] in key order ([:] when
// empty); enumeration cases as .case; raw-valued targeting enumerations by their raw value;
// QevaError values by their description in quotes; class references by their registered
// name, unquoted; objects of the plugin by their description ("<Module.Class: N>", or
// <object> when they have none).
//
// Subjects name SDK objects by the stand-in's own per-reset sequence numbers, so transcripts
// do not depend on how many other objects exist: "manager", "registry", "user", "device",
// "application", "adSpace#N", "builder#N", "request#N", "renderer#N" (an ad object made from
// a registered class), "ctaHandler#N", "tracker#N", "QevaCTAHandler" and "QevaTracker" for
// constructions, "adSpace#N.adDelegate" (the SDK's QevaAdDelegate that renderer prepare()
// received for that ad space), "adSpace#N.delegate" (the plugin's QevaAdEventDelegate),
// "ctaHandler#N.delegate" and "initDelegate" (the plugin's delegates), and a registered
// class's name for make().
struct JournalEntry {
  enum class Kind {
    // A call the plugin made on the SDK that changes or starts something.
    command,
    // A call the plugin made only to read state: getQevaAd(), isQevaAdSpaceRefreshable(),
    // getQevaUser() and the other targeting getters.
    query,
    // A call the SDK made on the plugin: delegate events, class make(), renderer operations.
    callback,
  };

  Kind kind = Kind::command;
  std::string subject;
  std::string operation;
  std::vector<std::string> arguments;
  // What the call returned, for calls that return an SDK object or a value ("adSpace#1",
  // "nil", "true"), or a short note for an event that found no one to deliver to ("no
  // delegate"). Empty otherwise.
  std::string result;

  std::string ToString() const;
  bool operator==(const JournalEntry& other) const;
  bool operator!=(const JournalEntry& other) const { return !(*this == other); }
};

// The record of every call across the SDK boundary, in the order the calls began: a call
// made from inside another call follows it. A long-running host bounds it (setCapacity): then
// it keeps the latest entries only, as a ring would.
class Journal {
 public:
  // Called with each new entry right after it is recorded; for tools that print a live
  // transcript. Must not record entries itself.
  using Listener = std::function<void(const JournalEntry& entry)>;

  void record(JournalEntry entry);

  // Everything, in order.
  const std::vector<JournalEntry>& entries() const { return entries_; }
  std::vector<JournalEntry> entries(JournalEntry::Kind kind) const;
  // ToString() of every entry.
  std::vector<std::string> lines() const;
  // ToString() of the commands only: the plugin's calls without queries and callbacks. What
  // most tests assert on.
  std::vector<std::string> commandLines() const;
  // ToString() of the commands whose subject is |name| or lies below it ("adSpace#1" also
  // matches "adSpace#1.adDelegate").
  std::vector<std::string> commandLinesAbout(const std::string& name) const;
  // ToString() of the callbacks only.
  std::vector<std::string> callbackLines() const;

  // Replaces the listener; nullptr removes it.
  void setListener(Listener listener) { listener_ = std::move(listener); }

  // Keeps at least the latest |capacity| entries and at most twice as many (older ones are
  // dropped in one go, so recording stays amortised constant time); 0, the default: all.
  void setCapacity(size_t capacity);
  size_t capacity() const { return capacity_; }

  // Forgets the entries (a test may clear after its set-up); keeps the listener.
  void clear() { entries_.clear(); }
  // Forgets the entries, the listener and the capacity.
  void reset();

 private:
  void trim();

  std::vector<JournalEntry> entries_;
  size_t capacity_ = 0;
  Listener listener_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_JOURNAL_H_
