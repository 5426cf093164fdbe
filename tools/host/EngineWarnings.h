#ifndef QEVA_HOST_ENGINEWARNINGS_H_
#define QEVA_HOST_ENGINEWARNINGS_H_

#include <memory>
#include <streambuf>

namespace QevaHost {

// Keeps off stderr the channel layer's line for each reply the plugin let go unanswered,
// once the engine has reported that release to the host, which puts it in the transcript
// with the call and the reason. The line comes from Flutter's C++ client wrapper (whose texts
// our channel layer repeats), written to std::cerr just before the wrapper lets the reply go;
// the wrapper takes no other stream. Everything else written to std::cerr passes through, and
// so does the line when no release follows it.
class EngineWarnings {
 public:
  // From now until destruction, std::cerr goes through this object.
  EngineWarnings();
  // Puts std::cerr back; what is held back and not confirmed reaches stderr.
  ~EngineWarnings();

  EngineWarnings(const EngineWarnings&) = delete;
  EngineWarnings& operator=(const EngineWarnings&) = delete;

  // The engine reported a reply released unanswered: the wrapper's line for it is dropped.
  void OnReleaseReported();

 private:
  class Filter;

  std::streambuf* original_;
  std::unique_ptr<Filter> filter_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_ENGINEWARNINGS_H_
