#ifndef QEVA_FUZZ_FUZZTARGETS_H_
#define QEVA_FUZZ_FUZZTARGETS_H_

#include <cstddef>
#include <cstdint>

// The fuzz targets. Each FuzzOne runs one input and returns 0, as libFuzzer wants; a broken
// property goes to the failure handler (FuzzSupport.h). The fuzzer executables call them from
// LLVMFuzzerTestOneInput, the regression tests from GoogleTest, on the very same code.
namespace qeva_fuzz {

// The standard codec: message, method call and reply envelope decoding of arbitrary bytes,
// the round trip of whatever decodes, and the fast path against the extensible one.
namespace codec {
int FuzzOne(const uint8_t* data, size_t size);
}

// The five channels of a live manager on the headless engine and the stand-in SDK, driven by
// a script of raw messages, id-carrying commands and SDK events (ChannelScript.h).
namespace channels {
int FuzzOne(const uint8_t* data, size_t size);
}

// ReadGAMMarkup on arbitrary text, and the write-read round trip.
namespace gammarkup {
int FuzzOne(const uint8_t* data, size_t size);
}

// QevaAdFlutterDisplay prepared with arbitrary markup and sizes, and its response text.
namespace display {
int FuzzOne(const uint8_t* data, size_t size);
}

}  // namespace qeva_fuzz

#endif  // QEVA_FUZZ_FUZZTARGETS_H_
