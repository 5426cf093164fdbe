#include "EngineWarnings.h"

#include <iostream>
#include <string>

namespace QevaHost {

namespace {

// Exactly the wrapper's line, newline included.
constexpr char kReleasedLine[] =
    "Warning: Failed to respond to a message. This is a memory leak.\n";

}  // namespace

// Passes lines to |target| as they end; holds back the wrapper's released-reply lines until
// the engine confirms them (dropped) or anything else is written (passed on).
class EngineWarnings::Filter : public std::streambuf {
 public:
  explicit Filter(std::streambuf* target) : target_(target) {}
  ~Filter() override {
    ReleaseHeld();
    if (!line_.empty()) {
      Write(line_);
    }
    target_->pubsync();
  }

  void Confirm() {
    if (held_ > 0) {
      --held_;
    }
  }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) {
      return traits_type::not_eof(c);
    }
    line_.push_back(static_cast<char>(c));
    if (c == '\n') {
      EndLine();
    }
    return c;
  }
  int sync() override {
    if (held_ == 0 && !line_.empty() && line_.back() == '\n') {
      EndLine();
    }
    return held_ == 0 ? target_->pubsync() : 0;
  }

 private:
  void EndLine() {
    if (line_ == kReleasedLine) {
      ++held_;
    } else {
      ReleaseHeld();
      Write(line_);
    }
    line_.clear();
  }
  // Lines held back but never confirmed were not about a released reply the host knows of.
  void ReleaseHeld() {
    for (; held_ > 0; --held_) {
      Write(kReleasedLine);
    }
  }
  void Write(const std::string& text) {
    target_->sputn(text.data(), static_cast<std::streamsize>(text.size()));
  }

  std::streambuf* target_;
  std::string line_;
  int held_ = 0;
};

EngineWarnings::EngineWarnings()
    : original_(std::cerr.rdbuf()), filter_(std::make_unique<Filter>(original_)) {
  std::cerr.rdbuf(filter_.get());
}

EngineWarnings::~EngineWarnings() {
  std::cerr.rdbuf(original_);
}

void EngineWarnings::OnReleaseReported() {
  filter_->Confirm();
}

}  // namespace QevaHost
