#include "Foundation/AppendBytes.h"

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <intrin.h>
#define QEVA_HAS_CPUID 1
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#define QEVA_HAS_CPUID 1
#endif

#include <cstring>

namespace Foundation::internal {
namespace {

#ifdef QEVA_HAS_CPUID
// The four registers CPUID answers |leaf| with, EAX first.
void CPUID(unsigned leaf, unsigned (&registers)[4]) {
#ifdef _MSC_VER
  int answer[4];
  __cpuid(answer, static_cast<int>(leaf));
  for (int i = 0; i < 4; ++i) {
    registers[i] = static_cast<unsigned>(answer[i]);
  }
#else
  __cpuid(leaf, registers[0], registers[1], registers[2], registers[3]);
#endif
}
#endif

bool DetectShortDistanceStringMovesAreSlow() {
#ifdef QEVA_HAS_CPUID
  unsigned registers[4];
  CPUID(0, registers);
  // The vendor's name is in EBX, EDX, ECX.
  char vendor[12];
  std::memcpy(vendor, &registers[1], 4);
  std::memcpy(vendor + 4, &registers[3], 4);
  std::memcpy(vendor + 8, &registers[2], 4);
  if (registers[0] < 1 || std::memcmp(vendor, "AuthenticAMD", 12) != 0) {
    return false;
  }
  CPUID(1, registers);
  const unsigned base_family = (registers[0] >> 8) & 0xf;
  const unsigned family =
      base_family == 0xf ? base_family + ((registers[0] >> 20) & 0xff) : base_family;
  return family == 0x19;
#else
  return false;
#endif
}

}  // namespace

bool ShortDistanceStringMovesAreSlow() {
  static const bool slow = DetectShortDistanceStringMovesAreSlow();
  return slow;
}

}  // namespace Foundation::internal
