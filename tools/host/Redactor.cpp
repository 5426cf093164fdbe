#include "Redactor.h"

#include <utility>
#include <variant>

#include "DartValues.h"

namespace QevaHost {

using flutter::EncodableMap;
using flutter::EncodableValue;

namespace {

constexpr char kMask[] = "••••";
constexpr char kSecretKey[] = "secretKey";
constexpr char kSinkPlaceholder[] = "{sink}";

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) {
    return text;
  }
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

void Redactor::SetSink(std::string address, std::string name) {
  sink_address_ = std::move(address);
  sink_name_ = std::move(name);
}

std::string Redactor::Redact(const std::string& text) const {
  return ReplaceAll(ReplaceAll(text, sink_address_, kSinkPlaceholder), sink_name_,
                    kSinkPlaceholder);
}

EncodableValue Redactor::Printable(const EncodableValue& value) const {
  EncodableValue printable =
      EditStrings(value, [this](const std::string& text) { return Redact(text); });
  if (auto* map = std::get_if<EncodableMap>(&printable)) {
    auto secret = map->find(EncodableValue(kSecretKey));
    if (secret != map->end() && std::holds_alternative<std::string>(secret->second)) {
      secret->second = EncodableValue(kMask);
    }
  }
  return printable;
}

QevaStandIn::JournalEntry Redactor::Printable(QevaStandIn::JournalEntry entry) const {
  const std::string secret_label = std::string(kSecretKey) + ": ";
  for (std::string& argument : entry.arguments) {
    argument = argument.rfind(secret_label, 0) == 0 ? secret_label + "\"" + kMask + "\""
                                                    : Redact(argument);
  }
  entry.result = Redact(entry.result);
  return entry;
}

std::string Redactor::ExpandSink(const std::string& text) const {
  if (sink_address_.empty()) {
    return text;
  }
  return ReplaceAll(text, kSinkPlaceholder, sink_name_.empty() ? sink_address_ : sink_name_);
}

}  // namespace QevaHost
