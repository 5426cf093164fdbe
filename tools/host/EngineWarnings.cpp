#include "EngineWarnings.h"

#include <iostream>
#include <string>

namespace QevaHost {

namespace {

// Exactly the wrapper's line, newline included.
constexpr char kReleasedLine[] =
    "Warning: Failed to respond to a message. This is a memory leak.\n";

}  // namespace

class EngineWarnings::Filter : public std::streambuf {
 public:
  explicit Filter(std::streambuf* target) : target_(target) {}
  ~Filter() override {
    if (!line_.empty()) {
      FlushLine();
      target_->pubsync();
    }
  }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) {
      return traits_type::not_eof(c);
    }
    line_.push_back(static_cast<char>(c));
    if (c == '\n') {
      FlushLine();
    }
    return c;
  }
  int sync() override {
    if (!line_.empty() && line_.back() == '\n') {
      FlushLine();
    }
    return target_->pubsync();
  }

 private:
  void FlushLine() {
    if (line_ != kReleasedLine) {
      target_->sputn(line_.data(), static_cast<std::streamsize>(line_.size()));
    }
    line_.clear();
  }

  std::streambuf* target_;
  std::string line_;
};

EngineWarnings::EngineWarnings()
    : original_(std::cerr.rdbuf()), filter_(std::make_unique<Filter>(original_)) {
  std::cerr.rdbuf(filter_.get());
}

EngineWarnings::~EngineWarnings() {
  std::cerr.rdbuf(original_);
}

}  // namespace QevaHost
