#ifndef QEVA_HOST_ENGINEWARNINGS_H_
#define QEVA_HOST_ENGINEWARNINGS_H_

#include <memory>
#include <streambuf>

namespace QevaHost {

// While it lives, std::cerr passes everything through except the channel layer's line for a
// reply released unanswered. The engine tells the host of each such release, and the transcript
// says which call it was and why; the line itself comes from Flutter's C++ client wrapper, whose
// texts our channel layer repeats and which writes to std::cerr with no way to hand it another
// stream.
class EngineWarnings {
 public:
  EngineWarnings();
  // Puts std::cerr back; a last line without its newline still reaches stderr.
  ~EngineWarnings();

  EngineWarnings(const EngineWarnings&) = delete;
  EngineWarnings& operator=(const EngineWarnings&) = delete;

 private:
  class Filter;

  std::streambuf* original_;
  std::unique_ptr<Filter> filter_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_ENGINEWARNINGS_H_
