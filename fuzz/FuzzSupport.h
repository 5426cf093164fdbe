#ifndef QEVA_FUZZ_FUZZSUPPORT_H_
#define QEVA_FUZZ_FUZZSUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

// What every fuzz target shares: how a broken property is reported, and a quiet stderr.
namespace qeva_fuzz {

// Told about each property a target finds broken, with a sentence that names it.
// Called from inside FuzzOne; the target stops looking at that input afterwards.
using FailureHandler = std::function<void(const std::string& what)>;

// Replaces the handler; nullptr restores the default, which prints |what| on stderr and
// aborts, so that libFuzzer keeps the input as a crash.
void SetFailureHandler(FailureHandler handler);

// Reports |what| when |holds| is false; returns |holds|, so a target can write
// `if (!Check(x, "...")) return 0;`.
bool Check(bool holds, const std::string& what);

// Check() for a property of one input: the message names the input's first bytes, which are
// only put into words when the property is broken.
bool CheckInput(bool holds, const char* what, const uint8_t* data, size_t size);

// Well-formed UTF-8 as Unicode defines it (no overlong forms, surrogates or code points past
// U+10FFFF). Written here independently of the plugin's own checks, so that the two can
// disagree.
bool IsValidUtf8(const std::string& text);

// "03 2a 00": the first |limit| bytes in hex, for failure messages.
std::string Hex(const uint8_t* data, size_t size, size_t limit = 64);

// Swallows everything written to |stream| while it lives: the channel layer writes a warning
// for every call left unanswered, which at millions of inputs costs more than the input.
class SilencedStream {
 public:
  explicit SilencedStream(std::ostream& stream);
  ~SilencedStream();

  SilencedStream(const SilencedStream&) = delete;
  SilencedStream& operator=(const SilencedStream&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* saved_;
};

}  // namespace qeva_fuzz

#endif  // QEVA_FUZZ_FUZZSUPPORT_H_
