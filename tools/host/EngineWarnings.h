#ifndef QEVA_HOST_ENGINEWARNINGS_H_
#define QEVA_HOST_ENGINEWARNINGS_H_

#include <flutter/channel_warnings.h>

namespace QevaHost {

// The channel layer's warnings while a session runs. Its line for a reply the plugin let go
// unanswered is held back and dropped once the engine has reported that release to the host,
// which puts it in the transcript with the call and the reason. Every other warning reaches
// stderr, and so does the held line when no release follows it.
class EngineWarnings {
 public:
  // From now until destruction, the channel layer warns through this object.
  EngineWarnings();
  // Gives the channel layer back its sink; what is held back and not confirmed reaches stderr.
  ~EngineWarnings();

  EngineWarnings(const EngineWarnings&) = delete;
  EngineWarnings& operator=(const EngineWarnings&) = delete;

  // The engine reported a reply released unanswered: the channel layer's line for it is dropped.
  void OnReleaseReported();

 private:
  void Take(const std::string& warning);
  void WriteHeld();

  flutter::ChannelWarningSink previous_;
  int held_ = 0;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_ENGINEWARNINGS_H_
