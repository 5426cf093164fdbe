#ifndef QEVA_HOST_FOUNDATION_SRC_UTF8BLOCKCHECK_H_
#define QEVA_HOST_FOUNDATION_SRC_UTF8BLOCKCHECK_H_

#include <cstddef>
#include <cstdint>

// The vector scans, SSE2 (every x86-64 CPU), AVX2 and AVX-512 (chosen at run time through GCC
// and Clang's target attributes, so the rest of the code is built for the baseline CPU), under
// one guard. Not with GCC for Windows, which assumes 32-byte aligned stack slots for AVX
// registers that the Windows stack does not give it. Elsewhere the plain word scans answer
// alone.
#if defined(__GNUC__) && defined(__x86_64__) && !(defined(_WIN32) && !defined(__clang__))
#define QEVA_TEXT_SIMD 1
#endif

#ifdef QEVA_TEXT_SIMD
namespace Foundation::internal {

// What a UTF-8 block check carries from one call to the next: the errors found so far and the
// last block's bytes that the next one must continue. Kept as bytes, so that the code that
// drives a check is built for the baseline CPU and only the checks use the wide registers.
struct UTF8CheckCarry {
  alignas(64) uint8_t errors[64] = {};
  alignas(64) uint8_t incomplete[64] = {};
};

// A UTF-8 check 64 bytes at a time, after "Validating UTF-8 In Less Than One Instruction Per
// Byte" (Keiser and Lemire, 2021), in registers of 32 bytes (AVX2) or 64 (AVX-512). Each has:
//   Blocks(bytes, size, carry): |size| a multiple of 64; the sixteen bytes before |bytes| are
//     read too, and must be the text's.
//   Part(bytes, size, before, carry): at most 64 bytes, with the |before| bytes before them
//     (at most three; fewer at the text's start). A sequence cut off by its end is an error.
//   Failed(carry, at_end): whether any byte so far was wrong; a sequence cut off by the end of
//     the last block counts only with |at_end|.
struct AVX2UTF8Check {
  static bool Supported();
  static void Blocks(const char* bytes, size_t size, UTF8CheckCarry& carry);
  static void Part(const char* bytes, size_t size, size_t before, UTF8CheckCarry& carry);
  static bool Failed(const UTF8CheckCarry& carry, bool at_end);
};

// Chosen only where the CPU also has AVX-512 VBMI (Ice Lake, Zen 4 and later): older CPUs with
// AVX-512 lower their clock for it, which would slow the code around the check.
struct AVX512UTF8Check {
  static bool Supported();
  static void Blocks(const char* bytes, size_t size, UTF8CheckCarry& carry);
  static void Part(const char* bytes, size_t size, size_t before, UTF8CheckCarry& carry);
  static bool Failed(const UTF8CheckCarry& carry, bool at_end);
};

}  // namespace Foundation::internal
#endif

#endif  // QEVA_HOST_FOUNDATION_SRC_UTF8BLOCKCHECK_H_
