#ifndef QEVA_FUZZ_CHANNELSCRIPT_H_
#define QEVA_FUZZ_CHANNELSCRIPT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The input language of the channels target: a script of steps, each a step byte (taken
// modulo kStepCount, so that every byte is some step) and its operands. Blobs are a size byte
// (255: a two-byte little-endian size follows) and that many bytes, or fewer at the end of
// the input. Operands past the end of the input read as 0.
//
// Raw messages go through the codec exactly as the fuzzer made them. The ids of ad spaces are
// random to the fuzzer, so kAdSpaceCallWithId reads its blob as a "QevaAdSpace" method call
// and, when its "adSpaceId" is an integer k, replaces it with the manager's k-th id (modulo
// the number of ids, in id order) before sending: that is how a script reaches the commands
// on a delivered ad.
namespace qeva_fuzz::channels {

enum Step : uint8_t {
  // Blob: a message for one channel, sent as it is.
  kRawToManager = 0,  // "QevaManager"
  kRawToApplication = 1,
  kRawToUser = 2,
  kRawToDevice = 3,
  kRawToAdSpace = 4,
  // Blob: a "QevaAdSpace" message, with the id substituted as described above.
  kAdSpaceCallWithId = 5,
  // No operands: runs the stand-in's run loop until idle.
  kDrain = 6,
  // Byte n: moves virtual time on by n * kAdvanceUnitMs.
  kAdvance = 7,
  // Byte b: the stand-in's ad space number 1 + (b / 6) % count fires event b % 6 (ready,
  // render, refresh, error, click, close).
  kSdkEvent = 8,
  // Byte c: one of the SDK controls of Control below, c % kControlCount.
  kSdkControl = 9,
  // Byte s (signature s % kSignatureCount), byte width, byte height (0: not given), blob
  // markup: one more ad for the tag kFuzzTag.
  kInventoryAd = 10,
  kStepCount = 11,
};

enum Control : uint8_t {
  kFailNextLoad = 0,
  kSynchronousDelivery = 1,
  kPostedDelivery = 2,
  kInitSuccessAtOnce = 3,
  kInitFailureAtOnce = 4,
  kInitFailureLater = 5,
  kInitNever = 6,
  kReportInitSuccess = 7,
  kReportInitFailure = 8,
  kFinishClickThrough = 9,
  kReuseLastAdSpace = 10,
  kToggleClickThroughSimulation = 11,
  kSlowFetch = 12,
  kFastFetch = 13,
  kRemoveAppDelegate = 14,
  kControlCount = 15,
};

constexpr int64_t kAdvanceUnitMs = 250;
// The tag whose ads the script adds with kInventoryAd.
constexpr char kFuzzTag[] = "fz";
// The signatures kInventoryAd picks from: the four the renderers claim, and one none does.
constexpr const char* kSignatures[] = {"iab.smartphonebanner", "iab.mediumrectangle",
                                       "nw.gambanner", "nw.admobbanner", "x.unclaimed"};
constexpr size_t kSignatureCount = sizeof(kSignatures) / sizeof(kSignatures[0]);
// The channels, by the raw steps' numbers.
constexpr const char* kChannels[] = {"QevaManager", "QevaApplication", "QevaUser", "QevaDevice",
                                     "QevaAdSpace"};

// Reads a script. The |data| must outlive the reader.
class ScriptReader {
 public:
  ScriptReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool done() const { return pos_ >= size_; }
  uint8_t Byte();
  std::vector<uint8_t> Blob();

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Writes a script, for seed inputs.
class ScriptWriter {
 public:
  // A raw message for channel |channel| (0 to 4, as kChannels).
  ScriptWriter& Raw(int channel, const std::vector<uint8_t>& message);
  ScriptWriter& AdSpaceCallWithId(const std::vector<uint8_t>& message);
  ScriptWriter& Drain();
  ScriptWriter& Advance(uint8_t units);
  ScriptWriter& SdkEvent(uint8_t choice);
  ScriptWriter& SdkControl(Control control);
  ScriptWriter& InventoryAd(uint8_t signature, uint8_t width, uint8_t height,
                            const std::string& markup);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void AppendBlob(const uint8_t* data, size_t size);

  std::vector<uint8_t> bytes_;
};

}  // namespace qeva_fuzz::channels

#endif  // QEVA_FUZZ_CHANNELSCRIPT_H_
