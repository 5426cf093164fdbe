#include "EngineWarnings.h"

#include <iostream>
#include <string>
#include <utility>

namespace QevaHost {

namespace {

// Exactly the channel layer's line for a reply never sent.
constexpr char kReleasedWarning[] =
    "Warning: Failed to respond to a message. This is a memory leak.";

}  // namespace

EngineWarnings::EngineWarnings()
    : previous_(
          flutter::SetChannelWarningSink([this](const std::string& warning) { Take(warning); })) {}

EngineWarnings::~EngineWarnings() {
  WriteHeld();
  flutter::SetChannelWarningSink(std::move(previous_));
}

void EngineWarnings::OnReleaseReported() {
  if (held_ > 0) {
    --held_;
  }
}

void EngineWarnings::Take(const std::string& warning) {
  if (warning == kReleasedWarning) {
    ++held_;
    return;
  }
  // Lines held back but never confirmed were not about a release the host knows of; they go
  // out first, in the order they came.
  WriteHeld();
  std::cerr << warning << std::endl;
}

void EngineWarnings::WriteHeld() {
  for (; held_ > 0; --held_) {
    std::cerr << kReleasedWarning << std::endl;
  }
}

}  // namespace QevaHost
