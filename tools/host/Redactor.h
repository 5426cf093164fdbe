#ifndef QEVA_HOST_REDACTOR_H_
#define QEVA_HOST_REDACTOR_H_

#include <flutter/encodable_value.h>

#include <string>

#include "QevaStandIn/Journal.h"

namespace QevaHost {

// What the transcript must not show as it is: the tracker sink's address, which changes from
// run to run (written "{sink}"), and the secret key (masked). Also the other way round: "{sink}"
// in inventories and arguments expanded to the sink.
class Redactor {
 public:
  // Once the sink runs: its "127.0.0.1:PORT", and the fixed host name that stands for it in
  // inputs (empty: the address itself).
  void SetSink(std::string address, std::string name);

  // "127.0.0.1:PORT" of the tracker sink, or empty when it is not running.
  const std::string& sinkAddress() const { return sink_address_; }
  // The sink's host name as inputs write it, if a fixed one was set.
  const std::string& sinkName() const { return sink_name_; }

  std::string Redact(const std::string& text) const;
  // The value as printed: the secret key masked, the sink's address hidden.
  flutter::EncodableValue Printable(const flutter::EncodableValue& value) const;
  // The journal entry as printed, likewise.
  QevaStandIn::JournalEntry Printable(QevaStandIn::JournalEntry entry) const;
  // |text| with "{sink}" replaced by what stands for the sink.
  std::string ExpandSink(const std::string& text) const;

 private:
  std::string sink_address_;
  std::string sink_name_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_REDACTOR_H_
