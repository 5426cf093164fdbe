#include "QevaStandIn/Journal.h"

#include <utility>

namespace QevaStandIn {

std::string JournalEntry::ToString() const {
  std::string text = subject + "." + operation + "(";
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) {
      text += ", ";
    }
    text += arguments[i];
  }
  text += ")";
  if (!result.empty()) {
    text += " -> " + result;
  }
  return text;
}

bool JournalEntry::operator==(const JournalEntry& other) const {
  return kind == other.kind && subject == other.subject && operation == other.operation &&
         arguments == other.arguments && result == other.result;
}

void Journal::setCapacity(size_t capacity) {
  capacity_ = capacity;
  trim();
}

void Journal::trim() {
  if (capacity_ > 0 && entries_.size() > 2 * capacity_) {
    entries_.erase(entries_.begin(),
                   entries_.begin() + static_cast<std::ptrdiff_t>(entries_.size() - capacity_));
  }
}

void Journal::record(JournalEntry entry) {
  entries_.push_back(std::move(entry));
  trim();
  if (listener_) {
    // A copy: the listener may outlive a later reallocation of entries_.
    JournalEntry recorded = entries_.back();
    listener_(recorded);
  }
}

std::vector<JournalEntry> Journal::entries(JournalEntry::Kind kind) const {
  std::vector<JournalEntry> selected;
  for (const JournalEntry& entry : entries_) {
    if (entry.kind == kind) {
      selected.push_back(entry);
    }
  }
  return selected;
}

std::vector<std::string> Journal::lines() const {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const JournalEntry& entry : entries_) {
    lines.push_back(entry.ToString());
  }
  return lines;
}

std::vector<std::string> Journal::commandLines() const {
  std::vector<std::string> lines;
  for (const JournalEntry& entry : entries_) {
    if (entry.kind == JournalEntry::Kind::command) {
      lines.push_back(entry.ToString());
    }
  }
  return lines;
}

std::vector<std::string> Journal::commandLinesAbout(const std::string& name) const {
  std::vector<std::string> lines;
  for (const JournalEntry& entry : entries_) {
    if (entry.kind != JournalEntry::Kind::command) {
      continue;
    }
    bool below = entry.subject.size() > name.size() &&
                 entry.subject.compare(0, name.size(), name) == 0 &&
                 entry.subject[name.size()] == '.';
    if (entry.subject == name || below) {
      lines.push_back(entry.ToString());
    }
  }
  return lines;
}

std::vector<std::string> Journal::callbackLines() const {
  std::vector<std::string> lines;
  for (const JournalEntry& entry : entries_) {
    if (entry.kind == JournalEntry::Kind::callback) {
      lines.push_back(entry.ToString());
    }
  }
  return lines;
}

void Journal::reset() {
  entries_.clear();
  capacity_ = 0;
  listener_ = nullptr;
}

}  // namespace QevaStandIn
