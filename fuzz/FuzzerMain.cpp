// The libFuzzer entry point of one target, chosen by QEVA_FUZZ_TARGET (codec, channels,
// gammarkup or display) when the executable is built.

#include <iostream>

#include "FuzzSupport.h"
#include "FuzzTargets.h"

#ifndef QEVA_FUZZ_TARGET
#error "Define QEVA_FUZZ_TARGET as the namespace of the target's FuzzOne"
#endif

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // For the whole run: the channel layer's warnings about unanswered calls would otherwise
  // be most of the work. Broken properties and sanitizer reports do not use std::cerr.
  static qeva_fuzz::SilencedStream* quiet = new qeva_fuzz::SilencedStream(std::cerr);
  (void)quiet;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qeva_fuzz::QEVA_FUZZ_TARGET::FuzzOne(data, size);
}
